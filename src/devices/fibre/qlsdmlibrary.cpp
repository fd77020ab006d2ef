#include "devices/fibre/qlsdmlibrary.h"

#include "platform/os.h"

namespace rb {

namespace {

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
  if (module_ != nullptr) os::Current().FreeLibrary(module_);
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
