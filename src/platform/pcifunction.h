#pragma once

// One PCI function as a PCI inventory source reports it (sysfs, SetupAPI, a simulated machine).

#include <cstdint>
#include <string>
#include <vector>

namespace os {

struct PciFunction {
  // An implemented base address register: its index (0 to 5) and the address it decodes, in memory or
  // in I/O space.
  struct Bar {
    int index = 0;
    std::uint64_t address = 0;
    bool io = false;
  };

  std::uint32_t domain = 0;
  std::uint8_t bus = 0;
  std::uint8_t device = 0;
  std::uint8_t function = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t deviceId = 0;
  std::uint16_t subVendorId = 0;
  std::uint16_t subsystemId = 0;
  std::uint32_t classCode = 0;  // base class, subclass and programming interface, one byte each
  std::uint32_t slot = 0;       // the physical slot; 0 when the platform does not tell
  std::vector<Bar> bars;        // in register order
  std::string osDeviceId;       // the operating system's name for the function
  std::string description;      // the source's own description; may be empty
};

}  // namespace os
