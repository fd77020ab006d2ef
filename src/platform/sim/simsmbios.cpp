#include "platform/sim/simsmbios.h"

#include <algorithm>
#include <stdexcept>

#include "platform/smbiostable.h"
#include "support/stringutil.h"

namespace os {

namespace {

std::uint64_t NumberOr(const SimMachine& machine, const rb::XmlObject& element, std::string_view attribute,
                       std::uint64_t max, std::uint64_t otherwise) {
  return element.FindAttribute(attribute) == nullptr ? otherwise : machine.Number(element, attribute, max);
}

// The highest byte a field element of the structure writes, plus one.
std::uint64_t FieldsEnd(const SimMachine& machine, const rb::XmlObject& structure) {
  std::uint64_t end = 4;
  for (const rb::XmlObject& field : structure.Children()) {
    const std::uint64_t width = rb::EqualsNoCase(field.Name(), "word") ? 2 : 1;
    end = std::max(end, machine.Number(field, "offset", 0xFF) + width);
  }
  return end;
}

}  // namespace

std::vector<std::uint8_t> SimSmbiosTable(const SimMachine& machine) {
  const auto declarations = machine.Description().GetChildren("smbios");
  if (declarations.empty()) return {};
  const rb::XmlObject& smbios = *declarations.front();
  SmbiosTableBuilder builder;
  std::uint16_t position = 0;
  for (const rb::XmlObject* declared : smbios.GetChildren("structure")) {
    const auto type = static_cast<std::uint8_t>(machine.Number(*declared, "type", 0xFF));
    const std::uint64_t end = FieldsEnd(machine, *declared);
    if (end > 0xFF)
      machine.Reject("<structure> type " + std::to_string(type) + " has a field beyond byte 254");
    const auto length = static_cast<std::uint8_t>(NumberOr(machine, *declared, "length", 0xFF, end));
    if (length < end)
      machine.Reject("<structure> type " + std::to_string(type) + " is shorter than its fields");
    const auto handle = static_cast<std::uint16_t>(NumberOr(machine, *declared, "handle", 0xFEFF, position));
    SmbiosTableBuilder::Structure& structure = builder.Add(type, handle, length);
    for (const rb::XmlObject& field : declared->Children()) {
      const auto offset = static_cast<std::uint8_t>(machine.Number(field, "offset", 0xFF));
      if (offset < 4)
        machine.Reject("<" + field.Name() + "> offset " + std::to_string(offset) + " is in the header");
      if (rb::EqualsNoCase(field.Name(), "string")) {
        structure.SetString(offset, field.Text());
      } else if (rb::EqualsNoCase(field.Name(), "byte")) {
        structure.SetByte(offset, static_cast<std::uint8_t>(machine.Number(field, "value", 0xFF)));
      } else if (rb::EqualsNoCase(field.Name(), "word")) {
        structure.SetWord(offset, static_cast<std::uint16_t>(machine.Number(field, "value", 0xFFFF)));
      } else {
        machine.Reject("<structure> holds an unknown field <" + field.Name() + ">");
      }
    }
    ++position;
  }
  const auto major = static_cast<std::uint8_t>(NumberOr(machine, smbios, "major", 0xFF, 3));
  const auto minor = static_cast<std::uint8_t>(NumberOr(machine, smbios, "minor", 0xFF, 0));
  return builder.RawSmbiosData(major, minor);
}

}  // namespace os
