#pragma once

// A recording fake of the device-control layer: CreateFile of any device path opens a fake handle
// (or fails with the error given), DeviceIoControl keeps the request bytes and lets the test answer
// them. Everything else goes to the native backend.

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/forwardingplatform.h"

namespace rbtest {

class IoctlRecorder : public ForwardingPlatform {
 public:
  struct Open {
    std::string path;
    win::DWORD access, share, disposition, flags;
  };
  struct Call {
    win::DWORD code;
    std::vector<std::uint8_t> in;
    win::DWORD outLength;
  };

  IoctlRecorder() : ForwardingPlatform(os::Native()) {}

  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flags) override {
    opens.push_back({path, access, share, disposition, flags});
    if (openError != win::ERROR_SUCCESS) {
      SetLastError(openError);
      return win::INVALID_HANDLE_VALUE;
    }
    ++openHandles;
    return kHandle;
  }
  bool CloseHandle(win::HANDLE handle) override {
    if (handle != kHandle) return ForwardingPlatform::CloseHandle(handle);
    --openHandles;
    return true;
  }
  bool DeviceIoControl(win::HANDLE, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override {
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    calls.push_back(
        {code, std::vector<std::uint8_t>(bytes, bytes + (in != nullptr ? inLength : 0)), outLength});
    if (ioctlError != win::ERROR_SUCCESS) {
      SetLastError(ioctlError);
      return false;
    }
    if (answer) answer(code, out, outLength);
    if (returned != nullptr) *returned = outLength;
    return true;
  }
  std::string FormatMessage(win::DWORD error) override { return "system text " + std::to_string(error); }

  template <class T>
  T Request(std::size_t call = 0) const {
    T request{};
    std::memcpy(&request, calls.at(call).in.data(), std::min(sizeof request, calls.at(call).in.size()));
    return request;
  }

  inline static const win::HANDLE kHandle = reinterpret_cast<win::HANDLE>(0x7000);
  win::DWORD openError = win::ERROR_SUCCESS;
  win::DWORD ioctlError = win::ERROR_SUCCESS;
  std::function<void(win::DWORD code, void* out, win::DWORD outLength)> answer;
  std::vector<Open> opens;
  std::vector<Call> calls;
  int openHandles = 0;
};

}  // namespace rbtest
