#pragma once

// The PCI summary that GetPCISummary answers: a "pciSummary" root with one "structure" element per
// function (see src/sysid/pciinventory.h for what the component reads from it), described from the
// board databases and the vendor list kept beside the library.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/pcifunction.h"
#include "sysid/boarddatabase.h"
#include "sysid/pcivendorlist.h"

namespace vmlhw {

// The name of a PCI class code's base class and subclass ("SATA controller"), or of its base class
// alone when the subclass is not one we name; "Unclassified device" for an unknown base class.
std::string PciClassName(std::uint32_t classCode);

// Describes functions from the data files of one directory: allboards.xml, pciboards.xml and
// pcivendors.txt. Safe for concurrent use.
class PciDescriber {
 public:
  explicit PciDescriber(const std::string& dataDirectory);

  // The board's name from the databases (four IDs, then vendor and device, then vendor and device with
  // zero subsystem IDs); else the source's own description; else the vendor's name and the class; else
  // the class and the IDs.
  std::string Describe(const os::PciFunction& function);

 private:
  rb::BoardDatabase allBoards_;
  rb::BoardDatabase pciBoards_;
  std::mutex vendorsLock_;
  std::string vendorFile_;
  bool vendorsLoaded_ = false;  // guarded by vendorsLock_
  rb::PciVendorList vendors_;   // guarded by vendorsLock_
};

// The summary document's text.
std::string PciSummaryXml(const std::vector<os::PciFunction>& functions, PciDescriber& describer);

}  // namespace vmlhw
