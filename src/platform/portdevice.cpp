#include "platform/portdevice.h"

#include <cstring>

namespace os {

win::DWORD PortDevice::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                               win::DWORD outLength, win::DWORD* returned) {
  if (code != win::IOCTL_READ_IO_PORT && code != win::IOCTL_WRITE_IO_PORT) return win::ERROR_INVALID_FUNCTION;
  if (in == nullptr || inLength < sizeof(win::PortIoRequest)) return win::ERROR_INVALID_PARAMETER;
  win::PortIoRequest request;
  std::memcpy(&request, in, sizeof request);
  const std::uint32_t width = request.width;
  if ((width != 1 && width != 2 && width != 4) || request.port >= kPortCount ||
      kPortCount - request.port < width)
    return win::ERROR_INVALID_PARAMETER;
  const bool answerFits = out != nullptr && outLength >= sizeof(win::PortIoRequest);

  std::uint8_t bytes[4] = {};
  if (code == win::IOCTL_READ_IO_PORT) {
    if (!answerFits) return win::ERROR_INSUFFICIENT_BUFFER;
    if (const win::DWORD error = ReadPorts(request.port, bytes, width)) return error;
    request.value = 0;
    for (std::uint32_t i = width; i-- > 0;) request.value = request.value << 8 | bytes[i];
  } else {
    for (std::uint32_t i = 0; i < width; ++i) bytes[i] = static_cast<std::uint8_t>(request.value >> (8 * i));
    if (const win::DWORD error = WritePorts(request.port, bytes, width)) return error;
  }
  if (answerFits) {
    std::memcpy(out, &request, sizeof request);
    *returned = sizeof request;
  }
  return win::ERROR_SUCCESS;
}

}  // namespace os
