#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace os {

// One registry property of a device as the device installer reads it (SetupDiGetDeviceRegistryProperty):
// its SPDRP_* code, its registry type and its bytes (a REG_SZ ends with its NUL; a REG_MULTI_SZ with
// two).
struct SetupProperty {
  win::DWORD property = 0;
  win::DWORD type = win::REG_NONE;
  std::vector<std::uint8_t> data;
};

// One present device of a setup class: its instance identifier ("SCSI\DISK&VEN_...\4&...&0&000000"),
// the device path of its interface of the enumerated interface class (what CreateFile opens; empty when
// it has none) and its registry properties.
struct SetupDevice {
  std::string instanceId;
  std::string devicePath;
  std::vector<SetupProperty> properties;

  // The property of a code, or null.
  const SetupProperty* Find(win::DWORD property) const {
    for (const SetupProperty& p : properties)
      if (p.property == property) return &p;
    return nullptr;
  }
  // Adds a REG_SZ property (the text and its NUL).
  void AddText(win::DWORD property, const std::string& text) {
    SetupProperty p{property, win::REG_SZ, std::vector<std::uint8_t>(text.begin(), text.end())};
    p.data.push_back(0);
    properties.push_back(std::move(p));
  }
};

// How one enumeration went: both device information sets made, or which of them failed (the last
// error then says why).
enum class SetupResult {
  kOk,
  kSetupClassFailed,
  kInterfaceClassFailed,
};

}  // namespace os
