#pragma once

#include <cstdint>
#include <string>

#include "devices/scsi/scsiblockdevice.h"

namespace rb {

// USB mass storage on a SCSI port: a USB disk, and (below) a USB diskette drive. Both are block
// devices of the port's commands and offer the access tests.
class USBDisk : public ScsiBlockDevice {
 public:
  static constexpr const char* kStreamableName = "USBDisk";

  USBDisk(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path, std::uint8_t target,
          std::uint8_t lun);
  USBDisk();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<USBDisk>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
};

class USBFloppy : public ScsiBlockDevice {
 public:
  static constexpr const char* kStreamableName = "USBFloppy";

  USBFloppy(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path, std::uint8_t target,
            std::uint8_t lun);
  USBFloppy();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<USBFloppy>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
};

// What both show: model, firmware, serial number and capacity, under the storage category `category`.
void DescribeUsbStorage(ScsiBlockDevice& device, XmlObject& element, const char* category);

}  // namespace rb
