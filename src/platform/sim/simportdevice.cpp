#include "platform/sim/simportdevice.h"

#include <utility>

namespace os {

std::shared_ptr<SimPortDevice> SimPortDevice::Open(std::shared_ptr<SimPortSpace> ports, win::DWORD& error) {
  if (!ports->DriverInstalled()) {
    error = win::ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  error = win::ERROR_SUCCESS;
  return std::make_shared<SimPortDevice>(std::move(ports));
}

win::DWORD SimPortDevice::ReadPorts(std::uint32_t port, std::uint8_t* bytes, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) bytes[i] = ports_->Read(port + i);
  return win::ERROR_SUCCESS;
}

win::DWORD SimPortDevice::WritePorts(std::uint32_t port, const std::uint8_t* bytes, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) ports_->Write(port + i, bytes[i]);
  return win::ERROR_SUCCESS;
}

}  // namespace os
