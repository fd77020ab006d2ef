#include "support/libraryloader.h"

#include <stdexcept>

#include "platform/os.h"

namespace rb {

win::HMODULE LoadLibraryOrThrow(const std::string& name) {
  os::Platform& platform = os::Current();
  if (win::HMODULE module = platform.LoadLibrary(name)) return module;
  throw std::runtime_error("LoadLibrary " + name + " failed: rc=" + std::to_string(platform.GetLastError()));
}

}  // namespace rb
