#pragma once

#include <cstdint>
#include <string>

namespace os {

// One local fixed volume of the machine, as the management view of logical disks of drive type 3
// describes it: its identifier (a drive letter on Windows, the mount point on Linux), volume name, file
// system, size and free space in bytes.
struct LogicalDisk {
  std::string deviceId;
  std::string volumeName;
  std::string fileSystem;
  std::uint64_t size = 0;
  std::uint64_t freeSpace = 0;
};

}  // namespace os
