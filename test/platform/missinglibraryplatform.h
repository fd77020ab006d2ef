#pragma once

// The system's library loader as it is on a machine without a library, or with a library that lacks
// one entry point: whatever is named `missing` is not found; everything else goes to the target.

#include <string>

#include "platform/forwardingplatform.h"

namespace rbtest {

class MissingLibraryPlatform : public ForwardingPlatform {
 public:
  MissingLibraryPlatform(os::Platform& target, std::string missing)
      : ForwardingPlatform(target), missing_(std::move(missing)) {}
  win::HMODULE LoadLibrary(const std::string& name) override {
    return missing_ == name ? nullptr : ForwardingPlatform::LoadLibrary(name);
  }
  void* GetProcAddress(win::HMODULE module, const std::string& name) override {
    return missing_ == name ? nullptr : ForwardingPlatform::GetProcAddress(module, name);
  }

 private:
  std::string missing_;
};

}  // namespace rbtest
