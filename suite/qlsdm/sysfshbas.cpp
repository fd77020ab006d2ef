#include "sysfshbas.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <system_error>

namespace qlsdm {

namespace abi = rb::qlsdmabi;
namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute without its trailing blanks; empty when it cannot be read.
std::string Attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t')) line.pop_back();
  return line;
}

// The first of the attributes that the directory has and that is not empty.
std::string FirstAttribute(const fs::path& directory, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    std::string value = Attribute(directory / name);
    if (!value.empty()) return value;
  }
  return {};
}

std::uint64_t Number(const std::string& text, int base) {
  return text.empty() ? 0 : std::strtoull(text.c_str(), nullptr, base);
}

std::uint32_t PortStatus(const std::string& state) {
  if (state == "Online") return abi::kPortGood;
  if (state == "Error") return abi::kPortFailed;
  if (state == "Offline" || state == "Linkdown" || state == "Blocked" || state == "Bypassed")
    return abi::kPortOffline;
  return abi::kPortUnknown;
}

// The PCI function ("0000:0e:00.0") whose directory holds the host's device, and its IDs.
void ReadPciFunction(const fs::path& hostDevice, abi::SdHbaInformation& info) {
  std::error_code error;
  const fs::path device = fs::canonical(hostDevice, error);
  if (error) return;
  const fs::path function = device.parent_path();
  unsigned domain = 0, bus = 0, slot = 0, number = 0;
  if (std::sscanf(function.filename().string().c_str(), "%x:%x:%x.%x", &domain, &bus, &slot, &number) != 4)
    return;
  info.pciBus = static_cast<std::uint8_t>(bus);
  info.pciDevice = static_cast<std::uint8_t>(slot);
  info.pciFunction = static_cast<std::uint8_t>(number);
  info.boardId = static_cast<std::uint32_t>(Number(Attribute(function / "vendor"), 16) << 16 |
                                            (Number(Attribute(function / "device"), 16) & 0xFFFF));
}

HbaPort ReadHost(const fs::path& fcHost, const fs::path& scsiHost) {
  HbaPort port;
  abi::SdHbaInformation& info = port.information;
  info.portName = Number(Attribute(fcHost / "port_name"), 16);
  info.nodeName = Number(Attribute(fcHost / "node_name"), 16);
  info.status = PortStatus(Attribute(fcHost / "port_state"));
  // "8 Gbit"; "unknown" while the link is down.
  info.speedGbit = static_cast<std::uint32_t>(Number(Attribute(fcHost / "speed"), 10));
  ReadPciFunction(fcHost / "device", info);
  CopyText(info.driverName, Attribute(scsiHost / "proc_name"));
  std::string description = FirstAttribute(scsiHost, {"model_desc", "modeldesc", "model_name", "modelname"});
  if (description.empty()) description = Attribute(fcHost / "symbolic_name");
  CopyText(info.driverDescription, description);
  CopyText(info.serialNumber, FirstAttribute(scsiHost, {"serial_num", "serialnum"}));
  CopyText(info.firmwareVersion, FirstAttribute(scsiHost, {"fw_version", "fwrev"}));
  std::string version = FirstAttribute(scsiHost, {"driver_version"});
  if (version.empty()) {
    // Some drivers name the attribute after themselves: "<driver>_drvr_version".
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(scsiHost, error)) {
      const std::string name = entry.path().filename().string();
      if (name.size() > 12 && name.compare(name.size() - 12, 12, "drvr_version") == 0)
        version = Attribute(entry.path());
    }
  }
  ParseVersion(version.c_str(), info.driverVersion);
  port.diagnostics = false;
  return port;
}

}  // namespace

std::vector<HbaPort> SysfsHbaPorts(const std::string& root) {
  const fs::path fcHosts = fs::path(root) / "class/fc_host";
  std::map<unsigned long, fs::path> hosts;  // by host number
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(fcHosts, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("host", 0) != 0 || name.size() == 4) continue;
    char* end = nullptr;
    const unsigned long number = std::strtoul(name.c_str() + 4, &end, 10);
    if (*end != '\0') continue;
    hosts.emplace(number, entry.path());
  }
  std::vector<HbaPort> ports;
  for (const auto& [number, path] : hosts)
    ports.push_back(ReadHost(path, fs::path(root) / "class/scsi_host" / path.filename()));
  return ports;
}

}  // namespace qlsdm
