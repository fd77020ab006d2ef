#pragma once

// An open device of a backend that keeps its own devices (linux, sim): the object behind a handle
// that CreateFile answered for a path in the device namespace (\\.\name).

#include <cstdint>

#include "platform/handletable.h"
#include "platform/winapi.h"

namespace os {

// SetFilePointer on a device's position: FILE_BEGIN or FILE_CURRENT (a device has no end to move
// from); ERROR_NEGATIVE_SEEK before the start.
inline win::DWORD MovePosition(std::uint64_t& position, std::int64_t distance, win::DWORD method,
                               std::int64_t* newPosition) {
  if (method != win::FILE_BEGIN && method != win::FILE_CURRENT) return win::ERROR_INVALID_PARAMETER;
  const std::int64_t target = (method == win::FILE_BEGIN ? 0 : static_cast<std::int64_t>(position)) + distance;
  if (target < 0) return win::ERROR_NEGATIVE_SEEK;
  position = static_cast<std::uint64_t>(target);
  if (newPosition != nullptr) *newPosition = target;
  return win::ERROR_SUCCESS;
}

class DeviceHandle : public HandleObject {
 public:
  // One DeviceIoControl request as the backend receives it: `returned` may be null and is set (to 0
  // on failure) when it is not. Answers ERROR_SUCCESS or the error.
  win::DWORD Request(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) {
    win::DWORD count = 0;
    const win::DWORD error = Control(code, in, inLength, out, outLength, &count);
    if (returned != nullptr) *returned = error == win::ERROR_SUCCESS ? count : 0;
    return error;
  }

  // Carries out one DeviceIoControl request. Answers ERROR_SUCCESS or the error the request fails
  // with; `returned` (never null, 0 on entry) receives the count of bytes written to `out`.
  virtual win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                             win::DWORD outLength, win::DWORD* returned) = 0;

  // ReadFile, WriteFile and SetFilePointer on a device a backend keeps itself (a drive's blocks):
  // ERROR_SUCCESS or the error. A device without blocks refuses them.
  virtual win::DWORD Read(void*, win::DWORD, win::DWORD* moved) {
    *moved = 0;
    return win::ERROR_INVALID_FUNCTION;
  }
  virtual win::DWORD Write(const void*, win::DWORD, win::DWORD* moved) {
    *moved = 0;
    return win::ERROR_INVALID_FUNCTION;
  }
  virtual win::DWORD Seek(std::int64_t, win::DWORD, std::int64_t*) { return win::ERROR_INVALID_FUNCTION; }
};

}  // namespace os
