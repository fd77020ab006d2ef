#pragma once

// A device handle opened through the process-wide backend and closed when the scope ends (nothing is
// closed when the open failed).

#include "platform/os.h"

namespace os {

class OpenHandle {
 public:
  explicit OpenHandle(win::HANDLE handle) : handle_(handle) {}
  ~OpenHandle() {
    if (Valid()) Current().CloseHandle(handle_);
  }
  OpenHandle(const OpenHandle&) = delete;
  OpenHandle& operator=(const OpenHandle&) = delete;
  bool Valid() const { return handle_ != win::INVALID_HANDLE_VALUE; }
  win::HANDLE Get() const { return handle_; }

 private:
  win::HANDLE handle_;
};

}  // namespace os
