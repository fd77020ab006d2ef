#include "platform/sim/simpci.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <tuple>

#include "support/stringutil.h"

namespace os {

namespace {

std::uint64_t Optional(const SimMachine& machine, const rb::XmlObject& element, std::string_view attribute,
                       std::uint64_t max) {
  return element.FindAttribute(attribute) == nullptr ? 0 : machine.Number(element, attribute, max);
}

PciFunction ReadFunction(const SimMachine& machine, const rb::XmlObject& element) {
  PciFunction f;
  f.bus = static_cast<std::uint8_t>(machine.Number(element, "bus", 0xFF));
  f.device = static_cast<std::uint8_t>(machine.Number(element, "device", 31));
  f.function = static_cast<std::uint8_t>(machine.Number(element, "function", 7));
  f.vendorId = static_cast<std::uint16_t>(machine.Number(element, "vendorID", 0xFFFF));
  f.deviceId = static_cast<std::uint16_t>(machine.Number(element, "deviceID", 0xFFFF));
  f.subVendorId = static_cast<std::uint16_t>(Optional(machine, element, "subVendorID", 0xFFFF));
  f.subsystemId = static_cast<std::uint16_t>(Optional(machine, element, "subsystemID", 0xFFFF));
  f.classCode = static_cast<std::uint32_t>(Optional(machine, element, "classCode", 0xFFFFFF));
  f.slot = static_cast<std::uint32_t>(Optional(machine, element, "slot", 0xFF));
  f.description = element.GetAttribute("description");
  f.osDeviceId = element.GetAttribute("osDeviceID");
  if (f.osDeviceId.empty()) {
    f.osDeviceId = rb::StringPrintf("PCI\\VEN_%04X&DEV_%04X&SUBSYS_%04X%04X\\%u&%u&%u", f.vendorId,
                                    f.deviceId, f.subsystemId, f.subVendorId, f.bus, f.device, f.function);
  }
  std::set<std::uint64_t> indexes;
  for (const rb::XmlObject* bar : element.GetChildren("bar")) {
    PciFunction::Bar b;
    b.index = static_cast<int>(machine.Number(*bar, "index", 5));
    b.address = machine.Number(*bar, "address", UINT64_MAX);
    b.io = Optional(machine, *bar, "io", 1) == 1;
    if (!indexes.insert(b.index).second)
      machine.Reject("<bar> index " + std::to_string(b.index) + " is declared twice in one <function>");
    f.bars.push_back(b);
  }
  std::sort(f.bars.begin(), f.bars.end(),
            [](const PciFunction::Bar& a, const PciFunction::Bar& b) { return a.index < b.index; });
  return f;
}

}  // namespace

std::vector<PciFunction> SimPciFunctions(const SimMachine& machine) {
  std::vector<PciFunction> functions;
  std::set<std::tuple<int, int, int>> locations;
  for (const rb::XmlObject* pci : machine.Description().GetChildren("pci")) {
    for (const rb::XmlObject* element : pci->GetChildren("function")) {
      PciFunction f = ReadFunction(machine, *element);
      if (!locations.emplace(f.bus, f.device, f.function).second)
        machine.Reject(
            rb::StringPrintf("<function> %u:%u.%u is declared twice", f.bus, f.device, f.function));
      functions.push_back(std::move(f));
    }
  }
  return functions;
}

}  // namespace os
