#include "platform/sim/array/simexternalcontrollers.h"

#include <algorithm>
#include <string>

#include "platform/sim/array/simarraycontroller.h"
#include "platform/sim/simmachine.h"
#include "support/xmlobject.h"

namespace os {

namespace {

// CDB bytes 0-2 of the ATA IDENTIFY a controller sends to a drive behind a SATA-attached one.
bool IsAtaIdentify(const SimScsiCommand& command) {
  return command.Opcode() == 0xC6 && command.Byte(1) == 0x01 && command.Byte(2) == 0xEC;
}

}  // namespace

SimExternalControllers::SimExternalControllers() = default;
SimExternalControllers::~SimExternalControllers() = default;
SimExternalControllers::SimExternalControllers(SimExternalControllers&&) noexcept = default;

void SimExternalControllers::Add(const SimMachine& machine, const rb::XmlObject& element,
                                 const std::shared_ptr<SimClock>& clock) {
  const auto bus = static_cast<std::uint8_t>(machine.Number(element, "bus", 63));
  const auto target = static_cast<std::uint8_t>(machine.Number(element, "target", 255));
  if (At(bus, target) != nullptr) machine.Reject("two <external> controllers at one address");
  rb::XmlObject port = element;
  port.SetAttribute("array", "ciss");
  auto controller = std::make_unique<SimArrayController>(machine, port, clock, std::nullopt);
  const bool sata = controller->Model().find("SATA BULK") != std::string::npos;
  externals_.push_back({bus, target, sata, std::move(controller)});
}

SimArrayController* SimExternalControllers::At(std::uint8_t bus, std::uint8_t target) const {
  for (const External& external : externals_)
    if (external.bus == bus && external.target == target) return external.controller.get();
  return nullptr;
}

bool SimExternalControllers::Execute(std::uint8_t bus, std::uint8_t target, SimScsiCommand& command) const {
  for (const External& external : externals_) {
    for (const auto& disk : external.controller->Disks()) {
      if (disk->Bus() != bus || disk->Target() != target) continue;
      if (!external.sata || !IsAtaIdentify(command))
        return external.controller->Execute(bus, target, command);
      if (const SimAtaDevice* ata = disk->Unit().Ata())
        command.Answer(ata->IdentifyData().data(), ata->IdentifyData().size(), command.dataLength);
      else
        command.CheckCondition(0x05, 0x20, 0x00);
      return true;
    }
  }
  return false;
}

void SimExternalControllers::AppendAddresses(
    std::vector<std::pair<std::uint8_t, std::uint8_t>>& addresses) const {
  for (const External& external : externals_) {
    addresses.emplace_back(external.bus, external.target);
    for (const auto& disk : external.controller->Disks()) addresses.emplace_back(disk->Bus(), disk->Target());
  }
}

}  // namespace os
