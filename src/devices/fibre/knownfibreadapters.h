#pragma once

#include <array>
#include <cstdint>

namespace rb {

// A fibre-channel host adapter model that discovery recognises by its PCI vendor and device IDs, with
// the names shown when the vendor list and the board databases do not know it.
struct KnownFibreAdapter {
  std::uint32_t vendorId;
  const char* vendorName;  // short
  std::uint32_t deviceId;
  const char* displayName;
};

// The models, in the order discovery compares them: forty rows, IDs and names as the PCI ID
// repository lists them.
const std::array<KnownFibreAdapter, 40>& KnownFibreAdapters();

}  // namespace rb
