#include "platform/sim/simdosdevices.h"

#include <cstring>

#include "platform/sim/scsi/simscsiport.h"
#include "support/stringutil.h"

namespace os {

SimDosDevices::SimDosDevices(const SimMachine& machine,
                             const std::vector<std::shared_ptr<SimScsiPort>>& ports,
                             const std::vector<SimOsDevice>& drives,
                             const std::vector<LogicalDisk>& volumes) {
  for (const SimOsDevice& drive : drives) names_.emplace_back(drive.Name(), drive.Target());
  for (const auto& port : ports)
    names_.emplace_back(rb::StringPrintf("Scsi%u:", port->Number()),
                        rb::StringPrintf("\\Device\\ScsiPort%u", port->Number()));
  for (std::size_t i = 0; i < volumes.size(); ++i)
    names_.emplace_back(volumes[i].deviceId, "\\Device\\HarddiskVolume" + std::to_string(i + 1));
  const rb::XmlObject* dosDevices = machine.Description().SelectSingleNode("dosDevices");
  if (dosDevices == nullptr || dosDevices->FindAttribute("padding") == nullptr) return;
  const std::uint64_t padding = machine.Number(*dosDevices, "padding", 64u << 20);
  std::uint64_t length = 1;
  for (const auto& [name, target] : names_) length += name.size() + 1;
  for (std::uint32_t n = 0; length < padding; ++n) {
    names_.emplace_back(rb::StringPrintf("SimFiller%07u", n), "\\Device\\Null");
    length += names_.back().first.size() + 1;
  }
}

win::DWORD SimDosDevices::Query(const std::string& name, char* buffer, win::DWORD size,
                                win::DWORD& error) const {
  std::string list;
  if (name.empty()) {
    for (const auto& [dosName, target] : names_) list.append(dosName).push_back('\0');
  } else {
    for (const auto& [dosName, target] : names_)
      if (rb::EqualsNoCase(dosName, name)) list.append(target).push_back('\0');
    if (list.empty()) {
      error = win::ERROR_FILE_NOT_FOUND;
      return 0;
    }
  }
  list.push_back('\0');
  if (buffer == nullptr || list.size() > size) {
    error = win::ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::memcpy(buffer, list.data(), list.size());
  error = win::ERROR_SUCCESS;
  return static_cast<win::DWORD>(list.size());
}

}  // namespace os
