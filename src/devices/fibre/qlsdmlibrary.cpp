#include "devices/fibre/qlsdmlibrary.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <mutex>

#include "platform/os.h"

namespace rb {

namespace {

// The modules that stay loaded for the life of the process (see ~QlsdmLibrary); a fixed table, so
// that keeping them allocates nothing.
std::mutex pinnedLock;
std::array<win::HMODULE, 4> pinned{};  // guarded by pinnedLock
std::size_t pinnedCount = 0;           // guarded by pinnedLock

// True when this is the first reference to the module, which is then kept.
bool Pin(win::HMODULE module) {
  std::lock_guard lock(pinnedLock);
  const auto end = pinned.begin() + static_cast<std::ptrdiff_t>(pinnedCount);
  if (std::find(pinned.begin(), end, module) != end || pinnedCount == pinned.size()) return false;
  pinned[pinnedCount++] = module;
  return true;
}

template <class Function>
Function Lookup(os::Platform& platform, win::HMODULE module, const char* name) {
  return reinterpret_cast<Function>(platform.GetProcAddress(module, name));
}

}  // namespace

QlsdmLibrary::QlsdmLibrary() {
  os::Platform& platform = os::Current();
  module_ = platform.LoadLibrary(qlsdmabi::kLibraryName);
  if (module_ == nullptr) return;
  open_ = Lookup<qlsdmabi::SDOpenDeviceFunction>(platform, module_, qlsdmabi::kOpenDevice);
  runLoopback_ = Lookup<qlsdmabi::SDRunDiagLoopbackFunction>(platform, module_, qlsdmabi::kRunDiagLoopback);
  close_ = Lookup<qlsdmabi::SDCloseDeviceFunction>(platform, module_, qlsdmabi::kCloseDevice);
  getInformation_ =
      Lookup<qlsdmabi::SDGetHbaInformationFunction>(platform, module_, qlsdmabi::kGetHbaInformation);
}

QlsdmLibrary::~QlsdmLibrary() {
  // The library carries its own C++ runtime, whose buffers an unload would strand; like the PCI
  // inventory library it stays loaded once loaded, and only the later references are given back.
  if (module_ != nullptr && !Pin(module_)) os::Current().FreeLibrary(module_);
}

std::uint32_t QlsdmLibrary::Open(std::uint32_t adapterIndex, qlsdmabi::SdHandle* handle) const {
  return open_(adapterIndex, handle);
}

std::uint32_t QlsdmLibrary::RunLoopback(qlsdmabi::SdHandle handle, std::uint8_t option, std::uint8_t loopType,
                                        void* send, std::uint32_t sendLength, void* receive,
                                        std::uint32_t receiveLength, std::uint16_t iterations,
                                        qlsdmabi::SdLoopbackResult* result) const {
  return runLoopback_(handle, option, loopType, send, sendLength, receive, receiveLength, iterations, result);
}

std::uint32_t QlsdmLibrary::Close(qlsdmabi::SdHandle handle) const {
  return close_(handle);
}

std::uint32_t QlsdmLibrary::GetHbaInformation(qlsdmabi::SdHandle handle,
                                              qlsdmabi::SdHbaInformation* information) const {
  return getInformation_(handle, information);
}

const char* QlsdmLibrary::StatusText(std::uint32_t status) {
  switch (status) {
    case qlsdmabi::kStatusOk:
      return "success";
    case qlsdmabi::kStatusNoSuchAdapter:
      return "no such adapter";
    case qlsdmabi::kStatusInvalidHandle:
      return "invalid handle";
    case qlsdmabi::kStatusInvalidParameter:
      return "invalid parameter";
    case qlsdmabi::kStatusNotSupported:
      return "not supported";
    case qlsdmabi::kStatusFailure:
      return "failure";
    default:
      return "unknown status";
  }
}

}  // namespace rb
