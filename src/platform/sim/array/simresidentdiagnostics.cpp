#include "platform/sim/array/simresidentdiagnostics.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "controllers/arraylayouts.h"
#include "platform/sim/simmachine.h"
#include "support/xmlobject.h"

namespace os {

namespace layout = rb::arraylayout;
namespace result = layout::diagresult;

namespace {

// Hexadecimal words, at most `most`.
std::vector<std::uint32_t> Maps(const SimMachine& machine, const rb::XmlObject& element, const char* name,
                                std::size_t most) {
  std::vector<std::uint32_t> maps;
  std::istringstream words(element.GetAttribute(name));
  std::string word;
  while (words >> word) {
    std::size_t used = 0;
    unsigned long value = 0;
    try {
      value = std::stoul(word, &used, 16);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != word.size() || value > 0xFFFFFFFFul || maps.size() == most)
      machine.Reject(std::string("<diagnostic> ") + name + " takes up to " + std::to_string(most) +
                     " hexadecimal maps");
    maps.push_back(static_cast<std::uint32_t>(value));
  }
  return maps;
}

}  // namespace

void SimResidentDiagnostics::Declare(const SimMachine& machine, const rb::XmlObject& element) {
  Declared declared{
      static_cast<std::uint8_t>(machine.Number(element, "group", 255)),
      static_cast<std::uint16_t>(machine.Number(element, "code", 0xFFFF)),
      static_cast<std::uint8_t>(machine.Number(element, "result", 255)),
      element.FindAttribute("seconds") ? machine.Number(element, "seconds", 1u << 30) * 1000 : 0,
      element.GetAttribute("never", "0") == "1",
      Maps(machine, element, "intPhy", result::kInternalMaps),
      Maps(machine, element, "extPhy", result::kExternalMaps),
      Maps(machine, element, "intDrive", result::kInternalMaps),
      Maps(machine, element, "extDrive", result::kExternalMaps)};
  declared_.push_back(std::move(declared));
}

const SimResidentDiagnostics::Declared* SimResidentDiagnostics::Find(std::uint8_t group,
                                                                     std::uint16_t code) const {
  for (const Declared& declared : declared_)
    if (declared.group == group && declared.code == code) return &declared;
  return nullptr;
}

void SimResidentDiagnostics::Start(SimScsiCommand& command) {
  if (command.dataLength < layout::kDiagStartSize) return command.CheckCondition(0x05, 0x24, 0x00);
  const std::uint8_t* data = command.data;
  started_ = Started{data[0], static_cast<std::uint16_t>(data[2] | data[3] << 8),
                     static_cast<std::uint16_t>(data[4] | data[5] << 8)};
  startedAt_ = clock_->Now();
  command.transferred = command.dataLength;
}

void SimResidentDiagnostics::Result(SimScsiCommand& command) {
  std::vector<std::uint8_t> record(layout::kDiagResultSize);
  if (started_) {
    if (const Declared* declared = Find(started_->group, started_->code)) {
      if (declared->never || clock_->Now() - startedAt_ < declared->milliseconds) {
        record[result::kRunning] = 1;
      } else {
        record[result::kErrorCode] = declared->result;
        for (std::size_t i = 0; i < declared->internalPhy.size(); ++i)
          layout::Put32(record.data(), result::kInternalPhyMaps + 4 * i, declared->internalPhy[i]);
        for (std::size_t i = 0; i < declared->externalPhy.size(); ++i)
          layout::Put32(record.data(), result::kExternalPhyMaps + 4 * i, declared->externalPhy[i]);
        for (std::size_t i = 0; i < declared->internalDrive.size(); ++i)
          layout::Put16(record.data(), result::kInternalDriveMaps + 2 * i,
                        static_cast<std::uint16_t>(declared->internalDrive[i]));
        for (std::size_t i = 0; i < declared->externalDrive.size(); ++i)
          layout::Put16(record.data(), result::kExternalDriveMaps + 2 * i,
                        static_cast<std::uint16_t>(declared->externalDrive[i]));
      }
    }
  }
  command.Answer(record, command.dataLength);
}

}  // namespace os
