#include "platform/linux/linuxdevicemapregistry.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "support/stringutil.h"

namespace os {

namespace {

constexpr const char* kScsiKey = "HARDWARE\\DEVICEMAP\\Scsi";
constexpr const char* kPortPrefix = "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port ";

// The port number of a port key's path; unset for any other path.
std::optional<unsigned> PortOfKey(const std::string& subKey) {
  const std::size_t prefix = std::strlen(kPortPrefix);
  if (subKey.size() <= prefix || !rb::EqualsNoCase(std::string_view(subKey).substr(0, prefix), kPortPrefix))
    return std::nullopt;
  unsigned port = 0;
  for (std::size_t i = prefix; i < subKey.size(); ++i) {
    if (subKey[i] < '0' || subKey[i] > '9' || port > 255) return std::nullopt;
    port = port * 10 + static_cast<unsigned>(subKey[i] - '0');
  }
  return port;
}

bool IsKeyAbovePorts(const std::string& subKey) {
  for (const char* key : {"HARDWARE", "HARDWARE\\DEVICEMAP", kScsiKey})
    if (rb::EqualsNoCase(subKey, key)) return true;
  return false;
}

}  // namespace

win::DWORD LinuxDeviceMapRegistry::Open(win::HKEY root, const std::string& subKey, win::HKEY* key) {
  if (key != nullptr) *key = nullptr;
  if (root != win::HKEY_LOCAL_MACHINE || key == nullptr) return win::ERROR_FILE_NOT_FOUND;
  std::optional<LinuxScsiHost> host;
  if (const auto port = PortOfKey(subKey)) {
    const LinuxStorageMap map = LinuxStorageMap::Scan(sysfsRoot_);
    const LinuxScsiHost* found = map.Host(*port);
    if (found == nullptr) return win::ERROR_FILE_NOT_FOUND;
    host = *found;
  } else if (!IsKeyAbovePorts(subKey)) {
    return win::ERROR_FILE_NOT_FOUND;
  }
  std::lock_guard guard(mutex_);
  const std::uintptr_t handle = next_++;
  open_[handle] = std::move(host);
  *key = reinterpret_cast<win::HKEY>(handle);
  return win::ERROR_SUCCESS;
}

win::DWORD LinuxDeviceMapRegistry::Close(win::HKEY key) {
  std::lock_guard guard(mutex_);
  return open_.erase(reinterpret_cast<std::uintptr_t>(key)) == 1 ? win::ERROR_SUCCESS
                                                                 : win::ERROR_INVALID_HANDLE;
}

win::DWORD LinuxDeviceMapRegistry::QueryValue(win::HKEY key, const std::string& name, win::DWORD* type,
                                              void* data, win::DWORD* size) {
  std::optional<LinuxScsiHost> host;
  {
    std::lock_guard guard(mutex_);
    const auto found = open_.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == open_.end()) return win::ERROR_INVALID_HANDLE;
    host = found->second;
  }
  std::vector<std::uint8_t> bytes;
  win::DWORD valueType = win::REG_NONE;
  if (host && rb::EqualsNoCase(name, "Driver") && !host->driver.empty()) {
    valueType = win::REG_SZ;
    bytes.assign(host->driver.begin(), host->driver.end());
    bytes.push_back(0);
  } else if (host && rb::EqualsNoCase(name, "IOAddress") && host->ioAddress) {
    valueType = win::REG_DWORD;
    bytes.resize(4);
    std::memcpy(bytes.data(), &*host->ioAddress, 4);
  } else {
    return win::ERROR_FILE_NOT_FOUND;
  }
  if (type != nullptr) *type = valueType;
  if (size == nullptr) return data == nullptr ? win::ERROR_SUCCESS : win::ERROR_INVALID_PARAMETER;
  const win::DWORD room = *size;
  *size = static_cast<win::DWORD>(bytes.size());
  if (data == nullptr) return win::ERROR_SUCCESS;
  if (room < bytes.size()) return win::ERROR_MORE_DATA;
  std::memcpy(data, bytes.data(), bytes.size());
  return win::ERROR_SUCCESS;
}

}  // namespace os
