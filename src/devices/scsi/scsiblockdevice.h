#pragma once

#include <cstdint>
#include <string>

#include "devices/blockdevice.h"
#include "devices/scsi/scsidevice.h"

namespace rb {

// A SCSI direct-access device: its extent from READ CAPACITY (read once; READ CAPACITY(16) when the
// 10-byte answer says the device is larger than 2 TiB) and block access with READ/WRITE/VERIFY, the
// 16-byte commands where an address or count does not fit the 10-byte ones.
class ScsiBlockDevice : public ScsiDevice, public BlockDevice {
 public:
  ScsiBlockDevice(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path,
                  std::uint8_t target, std::uint8_t lun);

  // BlockDevice persists its own fields after the device's.
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;

  std::uint64_t LastBlockAddress() override;
  std::uint32_t BlockSize() override;
  bool IsReady() override { return TestUnitReady(); }
  // A command the device failed (any status but GOOD, other than a recovered error, which counts as a
  // soft error) or the driver could not carry counts as a hard error and raises, so that no caller
  // takes a failed write or a read that moved nothing for done; the record keeps the status and sense.
  void Access(int mode, std::uint64_t address, std::uint32_t count, void* buffer) override;
  std::unique_ptr<DiskWriteHold> HoldForWriting() override;
  // The port, when the device's commands go to a port of its own.
  std::shared_ptr<void> KeepOpen() override;

  // The capacity: block size × last block address ÷ 10^9 as "%.1f Gbytes", below one as whole
  // "Mbytes"; "Not available" while the capacity cannot be read.
  std::string CapacityText();
  // Adds "Capacity" (element capacity).
  void DescribeCapacity(XmlObject& element, bool catalogRequest);

 protected:
  ScsiBlockDevice();

 private:
  // Raises the failure of the access's command, or counts a recovered error.
  void CheckAccessStatus(int mode, std::uint64_t address);
  // Reads the capacity when it is not known yet.
  void ReadCapacityOnce();
};

// READ CAPACITY(10), and READ CAPACITY(16) when the last block does not fit 32 bits; false, with
// nothing set, when the device does not answer.
bool ReadScsiCapacity(ScsiDevice& device, std::uint64_t& lastBlock, std::uint32_t& blockSize);

// The capacity text of a device of `lastBlock` blocks of `blockSize` bytes (see CapacityText).
std::string CapacityText(std::uint32_t blockSize, std::uint64_t lastBlock);

}  // namespace rb
