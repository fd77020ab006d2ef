#pragma once

// The CSMI requests of an adapter, sent through a ScsiDriver's CsmiIoctl. Each answers true when the
// driver call returned and the CSMI return code was 0, and copies at most the answer's own size (and
// never more than the caller's length) into the caller's buffer. Stateless.

#include <cstdint>

#include "platform/winapi.h"

namespace rb {

class ScsiDriver;

class CsmiSasInterface {
 public:
  // Whether the adapter speaks CSMI: a get-driver-information request succeeds. Never raises.
  static bool SpeaksCsmi(ScsiDriver& driver);

  static bool GetDriverInfo(ScsiDriver& driver, void* out, std::uint32_t length);
  // A slot number the driver does not know (FFFFh) is replaced by the slot of the PCI function the
  // answer names, when the machine's PCI summary knows it.
  static bool GetControllerConfig(ScsiDriver& driver, void* out, std::uint32_t length);
  static bool GetRaidInfo(ScsiDriver& driver, void* out, std::uint32_t length);
  // The caller's first 32-bit word is the RAID set index; `length` bytes of the configuration come
  // back (a configuration longer than the fixed part carries more drive records).
  static bool GetRaidConfig(ScsiDriver& driver, void* inOut, std::uint32_t length);
  static bool GetPhyInfo(ScsiDriver& driver, void* out, std::uint32_t length);

 private:
  // Sends a request of `size` bytes and copies min(answer, length) bytes of its body to `out`.
  static bool Request(ScsiDriver& driver, win::DWORD code, std::uint32_t size, std::uint32_t answer,
                      void* out, std::uint32_t length, void (*fixup)(std::uint8_t* body) = nullptr);
};

}  // namespace rb
