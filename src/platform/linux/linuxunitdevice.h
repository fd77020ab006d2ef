#pragma once

// \\.\PhysicalDriveN and \\.\TapeN: one unit of the storage map. IOCTL_SCSI_GET_ADDRESS answers its
// address; pass-through requests go to the unit itself whatever address they carry, as on a Windows
// disk handle: SG_IO on its generic node for a SCSI unit, the own port's disk emulation for the rest.

#include <memory>
#include <string>

#include "platform/devicehandle.h"
#include "platform/linux/linuxblockdisk.h"

namespace os {

class LinuxUnitDevice : public DeviceHandle {
 public:
  LinuxUnitDevice(LinuxStorageUnit unit, LinuxIoctlLayer& layer, std::string sysfsRoot = "/sys",
                  std::string devRoot = "/dev");

  ~LinuxUnitDevice() override;
  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;
  // A disk's blocks through its block device, opened for direct I/O on first use: whole blocks from
  // whole-block positions, as unbuffered access on Windows.
  win::DWORD Read(void* buffer, win::DWORD count, win::DWORD* moved) override;
  win::DWORD Write(const void* buffer, win::DWORD count, win::DWORD* moved) override;
  win::DWORD Seek(std::int64_t distance, win::DWORD method, std::int64_t* position) override;

 private:
  const LinuxStorageUnit unit_;
  LinuxIoctlLayer& layer_;
  const std::string sysfsRoot_;
  const std::string devRoot_;
  std::unique_ptr<LinuxBlockDisk> disk_;  // own-port disks
  int blockFd_ = -1;                      // the block device, once opened
  bool blockWritable_ = false;
  std::uint64_t position_ = 0;

  win::DWORD OpenBlock(bool write);
  // Readiness, eject and load of the unit through its own SCSI commands.
  win::DWORD MediaCommand(win::DWORD code);
};

}  // namespace os
