#pragma once

// The port-I/O driver's device (\\.\qxdvmkd): IOCTL_READ_IO_PORT and IOCTL_WRITE_IO_PORT, each with a
// PortIoRequest as input and output. This class checks and answers the requests; a backend moves the
// bytes. A port access of width 2 or 4 covers that many consecutive ports, the lowest port holding the
// least significant byte of the value.

#include <cstdint>

#include "platform/devicehandle.h"

namespace os {

class PortDevice : public DeviceHandle {
 public:
  // The x86 I/O space: ports 0 to FFFFh.
  static constexpr std::uint32_t kPortCount = 0x10000;

  // Any other code fails with ERROR_INVALID_FUNCTION. A request shorter than a PortIoRequest, a width
  // other than 1, 2 or 4, or an access reaching past the last port fails with ERROR_INVALID_PARAMETER
  // and touches nothing; a read without room for the answer fails with ERROR_INSUFFICIENT_BUFFER.
  // The answer is the request with the value read (a write answers it unchanged when `out` has room).
  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) final;

 protected:
  // `count` (1, 2 or 4) bytes from `port` on, all within the I/O space.
  virtual win::DWORD ReadPorts(std::uint32_t port, std::uint8_t* bytes, std::uint32_t count) = 0;
  virtual win::DWORD WritePorts(std::uint32_t port, const std::uint8_t* bytes, std::uint32_t count) = 0;
};

}  // namespace os
