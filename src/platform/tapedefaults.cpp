// What a backend without tape drives answers for the tape functions.

#include "platform/os.h"

namespace os {

namespace {

win::DWORD NoTapes(Platform& platform) {
  platform.SetLastError(win::ERROR_NOT_SUPPORTED);
  return win::ERROR_NOT_SUPPORTED;
}

}  // namespace

win::DWORD Platform::GetTapeStatus(win::HANDLE) {
  return NoTapes(*this);
}

win::DWORD Platform::GetTapeParameters(win::HANDLE, win::DWORD, win::DWORD*, void*) {
  return NoTapes(*this);
}

win::DWORD Platform::SetTapePosition(win::HANDLE, win::DWORD, win::DWORD, win::DWORD, win::DWORD, bool) {
  return NoTapes(*this);
}

win::DWORD Platform::WriteTapemark(win::HANDLE, win::DWORD, win::DWORD, bool) {
  return NoTapes(*this);
}

}  // namespace os
