#include "simhbas.h"

#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/sim/simpci.h"

namespace qlsdm {

namespace abi = rb::qlsdmabi;

namespace {

std::uint64_t Optional(const os::SimMachine& machine, const rb::XmlObject& element, const char* attribute,
                       std::uint64_t max) {
  return element.FindAttribute(attribute) == nullptr ? 0 : machine.Number(element, attribute, max);
}

std::uint32_t PortStatus(const os::SimMachine& machine, const std::string& state) {
  if (state.empty() || state == "online") return abi::kPortGood;
  if (state == "failed") return abi::kPortFailed;
  if (state == "offline") return abi::kPortOffline;
  if (state == "powerOff") return abi::kPortPowerOff;
  machine.Reject("<adapter> state \"" + state + "\" is none of online, failed, offline and powerOff");
}

HbaPort::Loop LoopOf(const os::SimMachine& machine, const std::string& loop) {
  if (loop.empty() || loop == "good") return HbaPort::Loop::kGood;
  if (loop == "failing") return HbaPort::Loop::kFailing;
  if (loop == "down") return HbaPort::Loop::kDown;
  machine.Reject("<adapter> loop \"" + loop + "\" is none of good, failing and down");
}

std::vector<std::uint8_t> LoopTypes(const os::SimMachine& machine, const std::string& list) {
  std::vector<std::uint8_t> types;
  std::istringstream words(list);
  std::string word;
  while (words >> word) {
    char* end = nullptr;
    const unsigned long type = std::strtoul(word.c_str(), &end, 16);
    if (end == word.c_str() || *end != '\0' || type > 0xFF)
      machine.Reject("<adapter> refuses \"" + list + "\"");
    types.push_back(static_cast<std::uint8_t>(type));
  }
  return types;
}

}  // namespace

std::vector<HbaPort> SimHbaPorts(const os::SimMachine& machine) {
  const std::vector<os::PciFunction> functions = os::SimPciFunctions(machine);
  std::vector<HbaPort> ports;
  for (const rb::XmlObject* section : machine.Description().GetChildren("fibreChannel")) {
    for (const rb::XmlObject* element : section->GetChildren("adapter")) {
      HbaPort port;
      abi::SdHbaInformation& info = port.information;
      info.pciBus = static_cast<std::uint8_t>(Optional(machine, *element, "pciBus", 0xFF));
      info.pciDevice = static_cast<std::uint8_t>(Optional(machine, *element, "pciDevice", 31));
      info.pciFunction = static_cast<std::uint8_t>(Optional(machine, *element, "pciFunction", 7));
      const os::PciFunction* function = nullptr;
      for (const os::PciFunction& f : functions)
        if (f.bus == info.pciBus && f.device == info.pciDevice && f.function == info.pciFunction)
          function = &f;
      if (function == nullptr)
        machine.Reject("<adapter> names PCI function " + std::to_string(info.pciBus) + ":" +
                       std::to_string(info.pciDevice) + "." + std::to_string(info.pciFunction) +
                       ", which <pci> does not declare");
      info.boardId = std::uint32_t{function->vendorId} << 16 | function->deviceId;
      info.status = PortStatus(machine, element->GetAttribute("state"));
      info.speedGbit = static_cast<std::uint32_t>(Optional(machine, *element, "speed", 128));
      info.portName = Optional(machine, *element, "portName", UINT64_MAX);
      info.nodeName = Optional(machine, *element, "nodeName", UINT64_MAX);
      CopyText(info.serialNumber, element->GetAttribute("serial"));
      CopyText(info.driverName, element->GetAttribute("driver"));
      CopyText(info.driverDescription, element->GetAttribute("driverDescription"));
      CopyText(info.firmwareVersion, element->GetAttribute("firmware"));
      ParseVersion(element->GetAttribute("driverVersion").c_str(), info.driverVersion);
      port.diagnostics = element->GetAttribute("diagnostics", "1") != "0";
      port.loop = LoopOf(machine, element->GetAttribute("loop"));
      port.refusedLoopTypes = LoopTypes(machine, element->GetAttribute("refuses"));
      ports.push_back(std::move(port));
    }
  }
  return ports;
}

}  // namespace qlsdm
