#include "platform/sim/scsi/simmmcdrive.h"

#include "platform/sim/simmachine.h"
#include "support/xmlobject.h"

namespace os {

SimMmcDrive::SimMmcDrive(const SimMachine& machine, const rb::XmlObject& element,
                         std::shared_ptr<SimClock> clock)
    : SimScsiUnit(machine, element, kSimMmc, std::move(clock)),
      medium_(element.GetAttribute("medium", "0") == "1"),
      blocks_(element.FindAttribute("blocks")
                  ? static_cast<std::uint32_t>(machine.Number(element, "blocks", 0xFFFFFFFF))
                  : 333000) {
  MakeAta(machine, element, kSimMmc, 0);
}

bool SimMmcDrive::NotReady(SimScsiCommand& command) {
  if (medium_ || command.Opcode() == 0x1B) return false;
  command.CheckCondition(0x2, 0x3A, 0x00);
  return true;
}

void SimMmcDrive::Dispatch(SimScsiCommand& command) {
  switch (command.Opcode()) {
    case 0x25: {
      const std::uint32_t last = blocks_ - 1;
      const std::uint8_t data[8] = {static_cast<std::uint8_t>(last >> 24),
                                    static_cast<std::uint8_t>(last >> 16),
                                    static_cast<std::uint8_t>(last >> 8),
                                    static_cast<std::uint8_t>(last),
                                    0,
                                    0,
                                    0x08,
                                    0};
      command.Answer(data, sizeof data, sizeof data);
      return;
    }
    case 0x1B:
      if ((command.Byte(4) & 0x03) == 0x02) Eject();
      return;
    default:
      SimScsiUnit::Dispatch(command);
  }
}

}  // namespace os
