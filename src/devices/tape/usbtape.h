#pragma once

// A USB mass-storage tape drive. Its commands go to the system's tape device, which takes SCSI
// pass-through requests for the drive itself; it offers the eject test.

#include <cstdint>
#include <memory>
#include <string>

#include "devices/scsi/scsidevice.h"

namespace rb {

class UsbTape : public ScsiDevice {
 public:
  static constexpr const char* kStreamableName = "UsbTape";

  UsbTape(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path, std::uint8_t target,
          std::uint8_t lun);
  UsbTape();

  std::int32_t TapeNumber() const { return tapeNumber_; }
  void SetTapeNumber(std::int32_t number) { tapeNumber_ = number; }
  const std::string& DeviceFile() const { return deviceFile_; }
  void SetDeviceFile(std::string path) { deviceFile_ = std::move(path); }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<UsbTape>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 private:
  std::int32_t tapeNumber_ = 0;
  std::string deviceFile_;
};

}  // namespace rb
