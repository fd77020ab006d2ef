#include "platform/sim/simportspace.h"

#include "platform/portdevice.h"

namespace os {

namespace {
constexpr std::uint8_t kFloatingBus = 0xFF;
}

SimPortSpace::SimPortSpace(const SimMachine& machine) {
  const auto declarations = machine.Description().GetChildren("ports");
  if (declarations.empty()) return;
  const rb::XmlObject& ports = *declarations.front();
  driver_ = ports.FindAttribute("driver") == nullptr || machine.Number(ports, "driver", 1) == 1;
  for (const rb::XmlObject* port : ports.GetChildren("port")) {
    const auto address =
        static_cast<std::uint32_t>(machine.Number(*port, "address", PortDevice::kPortCount - 1));
    const auto value = static_cast<std::uint8_t>(machine.Number(*port, "value", 0xFF));
    if (!values_.emplace(address, value).second)
      machine.Reject("<port> address " + std::to_string(address) + " is declared twice");
  }
}

std::uint8_t SimPortSpace::Read(std::uint32_t port) {
  std::lock_guard lock(mutex_);
  const auto found = values_.find(port);
  const std::uint8_t value = found == values_.end() ? kFloatingBus : found->second;
  accesses_.push_back({port, value, false});
  return value;
}

void SimPortSpace::Write(std::uint32_t port, std::uint8_t value) {
  std::lock_guard lock(mutex_);
  values_[port] = value;
  accesses_.push_back({port, value, true});
}

std::vector<SimPortSpace::Access> SimPortSpace::Accesses() const {
  std::lock_guard lock(mutex_);
  return accesses_;
}

}  // namespace os
