#pragma once

// A test backend over another one that records the debugger output and the paths opened, and sets
// itself up as the process-wide backend with the trace switch on for the life of a scope.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/forwardingplatform.h"
#include "support/debug.h"

namespace rbtest {

class RecordingPlatform : public ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;

  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flagsAndAttributes) override {
    {
      std::lock_guard lock(mutex_);
      opened_.push_back(path);
    }
    return ForwardingPlatform::CreateFile(path, access, share, disposition, flagsAndAttributes);
  }
  void OutputDebugString(const char* text) override {
    std::lock_guard lock(mutex_);
    output_.push_back(text);
  }

  // Each text given to OutputDebugString, in order.
  std::vector<std::string> Output() const {
    std::lock_guard lock(mutex_);
    return output_;
  }
  std::vector<std::string> Opened() const {
    std::lock_guard lock(mutex_);
    return opened_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> output_;
  std::vector<std::string> opened_;
};

// Installs a backend for a scope (with the trace switch on, so that traces reach it) and restores the
// default choice at the end.
class InstalledPlatform {
 public:
  explicit InstalledPlatform(std::unique_ptr<os::Platform> platform) : platform_(platform.get()) {
    os::Install(std::move(platform));
    rb::SetDebugEnabled(true);
  }
  ~InstalledPlatform() {
    rb::SetDebugEnabled(false);
    os::Install(nullptr);
  }
  InstalledPlatform(const InstalledPlatform&) = delete;
  InstalledPlatform& operator=(const InstalledPlatform&) = delete;

  os::Platform& Get() const { return *platform_; }

 private:
  os::Platform* platform_;
};

}  // namespace rbtest
