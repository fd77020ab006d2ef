#pragma once

// The registry of a Linux machine: only the SCSI device map, HARDWARE\DEVICEMAP\Scsi\Scsi Port n for
// every port of the storage map (the SCSI hosts and the own port), with the values "Driver" (REG_SZ:
// the host's driver, "nvme", "virtio_blk" or "loop" for the own port, "block" when it mixes them) and
// "IOAddress" (REG_DWORD: the first I/O BAR of the host's PCI function, absent without one). A key holds
// what the port was when it was opened. Every other key is missing. Key paths compare without regard to
// case, as on Windows.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/linux/linuxstoragemap.h"
#include "platform/winapi.h"

namespace os {

class LinuxDeviceMapRegistry {
 public:
  explicit LinuxDeviceMapRegistry(std::string sysfsRoot) : sysfsRoot_(std::move(sysfsRoot)) {}

  win::DWORD Open(win::HKEY root, const std::string& subKey, win::HKEY* key);
  win::DWORD Close(win::HKEY key);
  // As RegQueryValueEx (see os.h).
  win::DWORD QueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                        win::DWORD* size);

 private:
  const std::string sysfsRoot_;
  std::mutex mutex_;
  // Open keys: a port's key holds its port, the keys above it none.
  std::map<std::uintptr_t, std::optional<LinuxScsiHost>> open_;
  std::uintptr_t next_ = 0x2000;
};

}  // namespace os
