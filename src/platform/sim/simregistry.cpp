#include "platform/sim/simregistry.h"

#include "support/stringutil.h"

namespace os {

SimRegistry::SimRegistry(const rb::XmlObject& description) {
  for (const rb::XmlObject* key : description.SelectNodes("registry/key")) keys_.push_back(key->GetAttribute("path"));
}

win::DWORD SimRegistry::Open(win::HKEY root, const std::string& subKey, win::HKEY* key) {
  if (key != nullptr) *key = nullptr;
  if (root != win::HKEY_LOCAL_MACHINE) return win::ERROR_FILE_NOT_FOUND;
  for (const std::string& declared : keys_) {
    if (!rb::EqualsNoCase(declared, subKey)) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uintptr_t handle = next_;
    next_ += 4;
    open_[handle] = declared;
    if (key != nullptr) *key = reinterpret_cast<win::HKEY>(handle);
    return win::ERROR_SUCCESS;
  }
  return win::ERROR_FILE_NOT_FOUND;
}

win::DWORD SimRegistry::Close(win::HKEY key) {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_.erase(reinterpret_cast<std::uintptr_t>(key)) == 1 ? win::ERROR_SUCCESS : win::ERROR_INVALID_HANDLE;
}

}  // namespace os
