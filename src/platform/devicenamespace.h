#pragma once

// The devices a backend offers under \\.\name. Each kind of device registers the name it answers to
// and a function that opens it; CreateFile of a device path goes to the one registered for its name.
// Names are compared ignoring the case of A to Z, as Windows compares device names.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devicehandle.h"
#include "platform/winapi.h"

namespace os {

class DeviceNamespace {
 public:
  // Opens the device with the CreateFile access bits; answers null and sets `error` when it cannot.
  using Opener = std::function<std::shared_ptr<DeviceHandle>(win::DWORD access, win::DWORD& error)>;

  void Add(std::string name, Opener opener);
  // The device of a path in the device namespace; null with `error` set when it cannot be opened, and
  // with ERROR_FILE_NOT_FOUND when no device has that name.
  std::shared_ptr<DeviceHandle> Open(std::string_view path, win::DWORD access, win::DWORD& error) const;

 private:
  struct Entry {
    std::string name;
    Opener opener;
  };
  std::vector<Entry> entries_;
};

}  // namespace os
