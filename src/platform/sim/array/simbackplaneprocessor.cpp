#include "platform/sim/array/simbackplaneprocessor.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "controllers/seslayouts.h"
#include "support/xmlobject.h"

namespace os {

namespace ses = rb::seslayout;

SimBackplaneProcessor::SimBackplaneProcessor(const SimMachine& machine, const rb::XmlObject& element,
                                             std::shared_ptr<SimClock> clock)
    : SimScsiUnit(machine, element, kSimProcessor, std::move(clock)),
      chassisSerial_(ses::kChassisSerialSize, 0),
      fixed_(element.GetAttribute("chassisSerialFixed") == "1"),
      alarms_(static_cast<std::uint8_t>(std::stoul(element.GetAttribute("alarms", "0"), nullptr, 0))) {
  const std::string serial = element.GetAttribute("chassisSerial");
  std::copy_n(serial.begin(), std::min(serial.size(), ses::kChassisSerialSize - ses::kChassisSerialText),
              chassisSerial_.begin() + ses::kChassisSerialText);
}

void SimBackplaneProcessor::Dispatch(SimScsiCommand& command) {
  const std::uint8_t opcode = command.Opcode();
  if (opcode != ses::kReceiveOpcode && opcode != ses::kSendOpcode) return SimScsiUnit::Dispatch(command);
  if (opcode == ses::kReceiveOpcode && command.Byte(ses::kProcessorPage) == ses::kBufferAlarmPage)
    return ReceiveAlarmPage(command);
  if (command.Byte(ses::kProcessorPage) != ses::kBufferChassisSerial)
    return command.CheckCondition(0x05, 0x24, 0x00);  // ILLEGAL REQUEST, invalid field in CDB
  const std::size_t count =
      std::min({chassisSerial_.size(), command.dataLength, std::size_t{command.Byte(ses::kProcessorLength)}});
  if (opcode == ses::kReceiveOpcode) {
    std::memset(command.data, 0, command.dataLength);
    std::copy_n(chassisSerial_.begin(), count, command.data);
  } else if (!fixed_) {
    std::copy_n(command.data, count, chassisSerial_.begin());
  }
  command.transferred = count;
}

void SimBackplaneProcessor::ReceiveAlarmPage(SimScsiCommand& command) const {
  std::uint8_t page[ses::kAlarmPageSize] = {ses::kBufferAlarmPage, 0, alarms_, 0};
  const std::size_t count = std::min({sizeof page, command.dataLength, std::size_t{command.Byte(ses::kProcessorLength)}});
  std::memset(command.data, 0, command.dataLength);
  std::copy_n(page, count, command.data);
  command.transferred = count;
}

}  // namespace os
