#include "devices/enumeration/discoverycontext.h"

#include <exception>

#include "component/testcomponent.h"
#include "devices/ata/atacontroller.h"
#include "devices/scsi/scsicontroller.h"
#include "framework/device.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {

DiscoveryContext::DiscoveryContext(TestComponent& component, XmlObject& idResult, const XmlObject& pciSummary)
    : component_(component), idResult_(idResult), pciSummary_(pciSummary) {}

DiscoveryContext::~DiscoveryContext() = default;

std::int32_t DiscoveryContext::NextDriveNumber(DriveKind kind) {
  return ++driveNumbers_[static_cast<int>(kind)];
}

std::shared_ptr<Device> DiscoveryContext::Add(std::unique_ptr<Device> device, bool describe) {
  const std::string name = device->Name();
  if (!component_.AddDevice(std::move(device))) return nullptr;
  std::shared_ptr<Device> held = component_.HoldDevice(name);
  if (describe && held != nullptr) Describe(*held);
  return held;
}

void DiscoveryContext::Describe(Device& device) {
  // A device that cannot describe itself must not hide the devices found after it.
  try {
    XmlObject element;
    device.Describe(element, false);
    idResult_.AddChild(std::move(element));
  } catch (const std::exception& error) {
    DebugPrint("Cannot describe %s: %s\n", device.Name().c_str(), error.what());
  }
}

bool DiscoveryContext::IsClaimed(std::uint32_t port, std::uint8_t path, std::uint8_t target,
                                 std::uint8_t lun) const {
  return claimed_.count({port, path, target, lun}) != 0;
}

void DiscoveryContext::Claim(std::uint32_t port, std::uint8_t path, std::uint8_t target, std::uint8_t lun) {
  claimed_.insert({port, path, target, lun});
}

std::shared_ptr<ScsiController> DiscoveryContext::ControllerOfPort(std::uint32_t port) const {
  for (std::size_t i = 0; i < controllers_.size(); ++i)
    if (controllerPorts_[i] == static_cast<std::int64_t>(port)) return controllers_[i];
  return nullptr;
}

std::shared_ptr<ScsiController> DiscoveryContext::ControllerAt(std::int32_t bus, std::int32_t device,
                                                               std::int32_t function) const {
  if (function == ScsiController::kUnknownFunction) return nullptr;
  for (const auto& controller : controllers_)
    if (controller->PciBus() == bus && controller->PciDevice() == device &&
        controller->PciFunction() == function)
      return controller;
  return nullptr;
}

void DiscoveryContext::AddController(std::int64_t port, std::shared_ptr<ScsiController> controller) {
  controllers_.push_back(std::move(controller));
  controllerPorts_.push_back(port);
}

void DiscoveryContext::AddAtaPort(std::uint32_t port, std::int32_t bus, std::int32_t device,
                                  std::int32_t function) {
  if (!IsAtaPort(port)) ataPorts_.push_back({port, bus, device, function});
}

bool DiscoveryContext::IsAtaPort(std::uint32_t port) const {
  for (const AtaPort& known : ataPorts_)
    if (known.port == port) return true;
  return false;
}

std::vector<std::uint32_t> DiscoveryContext::AtaPortsAt(std::int32_t bus, std::int32_t device,
                                                        std::int32_t function) const {
  std::vector<std::uint32_t> ports;
  for (const AtaPort& known : ataPorts_)
    if (known.bus == bus && known.device == device && known.function == function) ports.push_back(known.port);
  return ports;
}

std::shared_ptr<AtaController> DiscoveryContext::AtaControllerOfPort(std::uint32_t port) const {
  for (const auto& controller : ataControllers_)
    if (controller->ChannelOf(port) >= 0) return controller;
  return nullptr;
}

const PortAddressCache& DiscoveryContext::Ports() {
  if (ports_ == nullptr) ports_ = std::make_unique<PortAddressCache>(PortAddressCache::Read());
  return *ports_;
}

const ClassDriverList& DiscoveryContext::ClassDrivers() {
  if (classDrivers_ == nullptr) {
    try {
      classDrivers_ = std::make_unique<ClassDriverList>(ClassDriverList::Read());
    } catch (const OruError& error) {
      DebugPrint("%s\n", error.what());
      classDrivers_ = std::make_unique<ClassDriverList>();
    }
  }
  return *classDrivers_;
}

}  // namespace rb
