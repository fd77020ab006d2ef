#pragma once

#include <cstdint>

#include "devices/fibre/qlsdmabi.h"
#include "platform/winapi.h"

namespace rb {

// The adapter diagnostics library qlsdm, loaded through the system's library loader for as long as the
// object lives, with its entry points looked up by name. The library is an outside one on a real
// machine and may be missing, or lack an entry point: Loaded says whether the three the loopback
// needs were all found; SDGetHbaInformation is optional.
class QlsdmLibrary {
 public:
  QlsdmLibrary();
  ~QlsdmLibrary();
  QlsdmLibrary(const QlsdmLibrary&) = delete;
  QlsdmLibrary& operator=(const QlsdmLibrary&) = delete;

  bool Loaded() const { return open_ != nullptr && runLoopback_ != nullptr && close_ != nullptr; }
  bool HasHbaInformation() const { return getInformation_ != nullptr; }

  // Each answers the library's status (qlsdmabi::SdStatus); call only when the entry point was found.
  std::uint32_t Open(std::uint32_t adapterIndex, qlsdmabi::SdHandle* handle) const;
  std::uint32_t RunLoopback(qlsdmabi::SdHandle handle, std::uint8_t option, std::uint8_t loopType, void* send,
                            std::uint32_t sendLength, void* receive, std::uint32_t receiveLength,
                            std::uint16_t iterations, qlsdmabi::SdLoopbackResult* result) const;
  std::uint32_t Close(qlsdmabi::SdHandle handle) const;
  std::uint32_t GetHbaInformation(qlsdmabi::SdHandle handle, qlsdmabi::SdHbaInformation* information) const;

  // What a status means, for the operator: "not supported", ...; "unknown status" for one the library
  // does not define.
  static const char* StatusText(std::uint32_t status);

 private:
  win::HMODULE module_ = nullptr;
  qlsdmabi::SDOpenDeviceFunction open_ = nullptr;
  qlsdmabi::SDRunDiagLoopbackFunction runLoopback_ = nullptr;
  qlsdmabi::SDCloseDeviceFunction close_ = nullptr;
  qlsdmabi::SDGetHbaInformationFunction getInformation_ = nullptr;
};

}  // namespace rb
