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

  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;

 private:
  const LinuxStorageUnit unit_;
  LinuxIoctlLayer& layer_;
  const std::string sysfsRoot_;
  const std::string devRoot_;
  std::unique_ptr<LinuxBlockDisk> disk_;  // own-port disks
};

}  // namespace os
