#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rb {

// The SCSI ports of the registry's device map ("HARDWARE\DEVICEMAP\Scsi\Scsi Port n"), read once per
// discovery run, so that a port the system added since the last run is found: the walk stops at the
// first missing port and after port 63. Each port keeps its I/O address, which matches it to a PCI controller, and its driver
// name, which tells USB mass storage.
class PortAddressCache {
 public:
  static constexpr std::uint32_t kMaxPorts = 64;

  struct Port {
    std::uint32_t number = 0;
    bool hasIoAddress = false;
    std::uint32_t ioAddress = 0;
    std::string driver;
  };

  // Reads the device map now.
  static PortAddressCache Read();

  const std::vector<Port>& Ports() const { return ports_; }
  const Port* Find(std::uint32_t number) const;
  // Whether the port's driver is one of USB mass storage.
  bool IsUsbPort(std::uint32_t number) const;

 private:
  std::vector<Port> ports_;
};

}  // namespace rb
