#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/winapi.h"
#include "support/xmlobject.h"

namespace os {

// The registry of a simulated machine: the keys below HKEY_LOCAL_MACHINE that its description declares,
// e.g. <registry><key path="SOFTWARE\Microsoft\Windows NT\CurrentVersion\WinPe"/></registry>. Key paths
// compare without regard to case, as on Windows.
class SimRegistry {
 public:
  explicit SimRegistry(const rb::XmlObject& description);

  win::DWORD Open(win::HKEY root, const std::string& subKey, win::HKEY* key);
  win::DWORD Close(win::HKEY key);

 private:
  std::vector<std::string> keys_;
  std::mutex mutex_;
  std::map<std::uintptr_t, std::string> open_;
  std::uintptr_t next_ = 0x1000;
};

}  // namespace os
