#pragma once

#include <cstdint>
#include <string>

#include "devices/scsi/osblockdevice.h"

namespace rb {

// An optical drive reached through its operating-system device ("\\.\CdRom0"), on a SCSI port or on
// USB: model, firmware and capacity of the medium, and its tests.
class ScsiCdrom : public OsBlockDevice {
 public:
  static constexpr const char* kStreamableName = "ScsiCdrom";

  ScsiCdrom(std::string name, bool makeUnique, std::string devicePath, std::uint32_t port, std::uint8_t path,
            std::uint8_t target, std::uint8_t lun, bool usb);
  ScsiCdrom();

  bool IsUsb() const { return usb_; }
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiCdrom>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 private:
  bool usb_ = false;
};

}  // namespace rb
