#include "sysfspci.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <system_error>

namespace vmlhw {

namespace {

namespace fs = std::filesystem;

// IORESOURCE_IO: the resource lies in I/O port space.
constexpr unsigned long long kIoResource = 0x100;
constexpr int kBarCount = 6;

std::optional<std::string> FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  return line;
}

// A sysfs number file such as "0x8086".
std::optional<unsigned long> HexFile(const fs::path& file) {
  const std::optional<std::string> line = FirstLine(file);
  if (!line || line->empty()) return std::nullopt;
  char* end = nullptr;
  const unsigned long value = std::strtoul(line->c_str(), &end, 16);
  if (end == line->c_str()) return std::nullopt;
  return value;
}

// "domain:bus:device" -> slot number, from the slots the platform lists. A slot whose name is not a
// number counts as no slot.
std::map<std::string, std::uint32_t> Slots(const fs::path& slots) {
  std::map<std::string, std::uint32_t> found;
  std::error_code error;
  for (const fs::directory_entry& slot : fs::directory_iterator(slots, error)) {
    const std::optional<std::string> address = FirstLine(slot.path() / "address");
    if (!address) continue;
    const std::string name = slot.path().filename().string();
    char* end = nullptr;
    const unsigned long number = std::strtoul(name.c_str(), &end, 10);
    if (end == name.c_str() || *end != '\0' || number > 0xFFFFFFFFul) continue;
    found.emplace(*address, static_cast<std::uint32_t>(number));
  }
  return found;
}

std::vector<os::PciFunction::Bar> Bars(const fs::path& resource) {
  std::vector<os::PciFunction::Bar> bars;
  std::ifstream in(resource);
  std::string line;
  for (int index = 0; index < kBarCount && std::getline(in, line); ++index) {
    unsigned long long start = 0;
    unsigned long long end = 0;
    unsigned long long flags = 0;
    if (std::sscanf(line.c_str(), "%llx %llx %llx", &start, &end, &flags) != 3) continue;
    if (start == 0 && end == 0) continue;
    bars.push_back({index, start, (flags & kIoResource) != 0});
  }
  return bars;
}

}  // namespace

std::vector<os::PciFunction> ReadSysfsPci(const std::string& sysRoot) {
  const fs::path root(sysRoot);
  const std::map<std::string, std::uint32_t> slots = Slots(root / "bus/pci/slots");
  std::vector<fs::path> entries;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(root / "bus/pci/devices", error))
    entries.push_back(entry.path());
  std::sort(entries.begin(), entries.end());

  std::vector<os::PciFunction> functions;
  for (const fs::path& entry : entries) {
    const std::string name = entry.filename().string();
    unsigned domain = 0, bus = 0, device = 0, function = 0;
    char tail = 0;
    if (std::sscanf(name.c_str(), "%x:%x:%x.%x%c", &domain, &bus, &device, &function, &tail) != 4) continue;
    if (bus > 0xFF || device > 31 || function > 7) continue;
    const auto vendor = HexFile(entry / "vendor");
    const auto deviceId = HexFile(entry / "device");
    if (!vendor || !deviceId) continue;
    os::PciFunction f;
    f.domain = domain;
    f.bus = static_cast<std::uint8_t>(bus);
    f.device = static_cast<std::uint8_t>(device);
    f.function = static_cast<std::uint8_t>(function);
    f.vendorId = static_cast<std::uint16_t>(*vendor);
    f.deviceId = static_cast<std::uint16_t>(*deviceId);
    f.subVendorId = static_cast<std::uint16_t>(HexFile(entry / "subsystem_vendor").value_or(0));
    f.subsystemId = static_cast<std::uint16_t>(HexFile(entry / "subsystem_device").value_or(0));
    f.classCode = static_cast<std::uint32_t>(HexFile(entry / "class").value_or(0) & 0xFFFFFF);
    f.bars = Bars(entry / "resource");
    f.osDeviceId = name;
    const auto slot = slots.find(name.substr(0, name.rfind('.')));
    if (slot != slots.end()) f.slot = slot->second;
    functions.push_back(std::move(f));
  }
  return functions;
}

}  // namespace vmlhw
