#pragma once

// The port-I/O driver of a simulated machine: requests go to the machine's port space.

#include <memory>
#include <utility>

#include "platform/portdevice.h"
#include "platform/sim/simportspace.h"

namespace os {

class SimPortDevice : public PortDevice {
 public:
  // Null with ERROR_FILE_NOT_FOUND when the machine has no port-I/O driver.
  static std::shared_ptr<SimPortDevice> Open(std::shared_ptr<SimPortSpace> ports, win::DWORD& error);

  explicit SimPortDevice(std::shared_ptr<SimPortSpace> ports) : ports_(std::move(ports)) {}

 protected:
  win::DWORD ReadPorts(std::uint32_t port, std::uint8_t* bytes, std::uint32_t count) override;
  win::DWORD WritePorts(std::uint32_t port, const std::uint8_t* bytes, std::uint32_t count) override;

 private:
  std::shared_ptr<SimPortSpace> ports_;
};

}  // namespace os
