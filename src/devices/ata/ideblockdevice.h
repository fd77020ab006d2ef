#pragma once

#include <cstdint>
#include <string>

#include "devices/ata/idedevice.h"
#include "devices/blockdevice.h"

namespace rb {

// An ATA drive as a block device: blocks are read and written through the operating system's device
// file, unbuffered, from a page-aligned buffer. A fixed disk's extent comes from its identify data, a
// removable drive's from the geometry of its medium.
class IdeBlockDevice : public IdeDevice, public BlockDevice {
 public:
  IdeBlockDevice(std::string name, bool makeUnique, std::string devicePath);

  std::uint64_t LastBlockAddress() override;
  std::uint32_t BlockSize() override;
  bool IsReady() override;
  // Modes 0 and 1 read and write through AccessDevice; verifying reads the blocks into a scratch
  // buffer. Another mode raises "Invalid parameter list" with "Invalid Access Mode".
  void Access(int mode, std::uint64_t address, std::uint32_t count, void* buffer) override;
  std::unique_ptr<DiskWriteHold> HoldForWriting() override;
  // Reads or writes `count` blocks at `address`. Raises an OruError with "Driver Open Failed in
  // AccessDevice", "Could not seek block", "Could not read block" or "Could not write block", whose
  // detail names the system's error text, the bytes wanted and the block address. A write first takes
  // the disk (see DiskWriteHold).
  void AccessDevice(bool write, std::uint64_t address, std::uint32_t count, void* buffer);

  // The capacity: "%0.2f Gbytes" from 10^9 bytes on, "%0.2f Mbytes" below; "Media Not Installed"
  // for a removable drive without a medium; "Not available" when it cannot be read.
  std::string CapacityText();

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;

 protected:
  IdeBlockDevice();
  // Whether the drive's medium can be taken out (optical, diskette and zip drives).
  virtual bool RemovableMedium() const { return false; }
  // Reads the extent when it is not known yet; false when it cannot be read.
  bool ReadExtentOnce();
};

}  // namespace rb
