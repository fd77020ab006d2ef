#pragma once

// The discovery information a SAS controller adds to its catalog entry: the diagnostics ROM and CPLD
// versions, the ASIC and SAS chip revisions, the world wide names, the board's and the chassis' serial
// numbers, the recovery ROM images, the backplane, the bootstrap NVRAM revision and the PIC and
// battery figures, each read with its vendor sub-function of BMIC 42h, then the identity of each of the
// board's NVRAM parts. A reply the controller refuses
// leaves its properties out (the debug trace says which) and the list goes on with the next.

#include <cstdint>
#include <functional>
#include <vector>

namespace rb {

class CissDevice;
class XmlObject;

class CissDiscoveryInfo {
 public:
  explicit CissDiscoveryInfo(CissDevice& controller) : controller_(controller) {}

  void Describe(XmlObject& element);

 private:
  // The reply `read` gives; empty when the controller refused it.
  std::vector<std::uint8_t> Read(const char* what, const std::function<std::vector<std::uint8_t>()>& read);
  void DescribePic(XmlObject& element, const std::vector<std::uint8_t>& pic);
  // A block per NVRAM part the board has, with the part's identity; a part that cannot be read records
  // its warning instead, and a bootstrap part with a bad checksum records one beside its block.
  void DescribeNvram(XmlObject& element);

  CissDevice& controller_;
};

}  // namespace rb
