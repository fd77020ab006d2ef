#pragma once

#include <cstdint>
#include <string>

#include "devices/blockdevice.h"
#include "devices/scsi/scsidevice.h"

namespace rb {

// A device reached through the operating system's device for it ("\\.\CdRom0", "\\.\PhysicalDrive2"):
// SCSI commands go to that device (its own driver has the device's path) and block access reads and
// writes the device like a file. Its address on its SCSI port is what the device reports.
class OsBlockDevice : public ScsiDevice, public BlockDevice {
 public:
  OsBlockDevice(std::string name, bool makeUnique, std::string devicePath, std::uint32_t port,
                std::uint8_t path, std::uint8_t target, std::uint8_t lun);

  const std::string& DevicePath() const { return devicePath_; }
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string AddressText() const override;

  std::uint64_t LastBlockAddress() override;
  std::uint32_t BlockSize() override;
  bool IsReady() override { return TestUnitReady(); }
  // Reads or writes the blocks through the device; verifying reads them into a scratch buffer. A
  // failed transfer counts as a hard error and raises "Device access failed" with the system's text.
  void Access(int mode, std::uint64_t address, std::uint32_t count, void* buffer) override;
  std::unique_ptr<DiskWriteHold> HoldForWriting() override;
  std::string CapacityText();

 protected:
  OsBlockDevice();

 private:
  void ReadCapacityOnce();

  std::string devicePath_;
  std::uint32_t port_ = 0;
};

}  // namespace rb
