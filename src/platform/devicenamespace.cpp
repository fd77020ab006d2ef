#include "platform/devicenamespace.h"

#include <utility>

#include "platform/devicepath.h"
#include "support/stringutil.h"

namespace os {

void DeviceNamespace::Add(std::string name, Opener opener) {
  entries_.push_back({std::move(name), std::move(opener)});
}

std::shared_ptr<DeviceHandle> DeviceNamespace::Open(std::string_view path, win::DWORD access,
                                                    win::DWORD& error) const {
  error = win::ERROR_FILE_NOT_FOUND;
  if (!IsDevicePath(path)) return nullptr;
  const std::string_view name = path.substr(kDevicePrefix.size());
  for (const Entry& entry : entries_) {
    if (!rb::EqualsNoCase(entry.name, name)) continue;
    auto device = entry.opener(access, error);
    if (device != nullptr) error = win::ERROR_SUCCESS;
    return device;
  }
  return nullptr;
}

}  // namespace os
