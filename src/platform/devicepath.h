#pragma once

// Paths in the Windows device namespace (\\.\PhysicalDrive0, \\.\SCSI2:, \\.\Tape0) are not files:
// each backend resolves them to its own devices.

#include <string_view>

namespace os {

inline constexpr std::string_view kDevicePrefix = "\\\\.\\";

inline bool IsDevicePath(std::string_view path) {
  return path.substr(0, kDevicePrefix.size()) == kDevicePrefix;
}

}  // namespace os
