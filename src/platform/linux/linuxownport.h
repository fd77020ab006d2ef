#pragma once

// \\.\SCSIn: for the own port (see linuxstoragemap.h): the disks Linux does not reach through SCSI,
// target t being the port's t-th disk at path 0, LUN 0. IOCTL_SCSI_GET_INQUIRY_DATA lists them as any
// port lists its units; pass-through requests go to the disk of their target (LinuxBlockDisk), and an
// address without a disk answers as a selection timeout. IOCTL_SCSI_MINIPORT: ERROR_NOT_SUPPORTED.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/devicehandle.h"
#include "platform/linux/linuxblockdisk.h"

namespace os {

class LinuxOwnPort : public DeviceHandle {
 public:
  // The port of the map's own-port units; `devRoot` holds their block devices.
  LinuxOwnPort(const LinuxStorageMap& map, LinuxIoctlLayer& layer, std::string devRoot = "/dev");

  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;

 private:
  std::vector<LinuxStorageUnit> units_;
  LinuxIoctlLayer& layer_;
  std::string devRoot_;
  std::mutex mutex_;
  std::map<unsigned, std::unique_ptr<LinuxBlockDisk>> disks_;  // by target, opened on first use
};

// The answer of IOCTL_SCSI_GET_ADDRESS for a unit.
win::DWORD WriteScsiAddress(const LinuxStorageUnit& unit, void* out, win::DWORD outLength,
                            win::DWORD* returned);

}  // namespace os
