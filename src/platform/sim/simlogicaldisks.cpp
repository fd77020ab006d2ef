#include "platform/sim/simlogicaldisks.h"

#include <limits>

namespace os {

std::optional<std::vector<LogicalDisk>> ReadSimLogicalDisks(const SimMachine& machine) {
  std::vector<LogicalDisk> disks;
  const rb::XmlObject* declared = machine.Description().SelectSingleNode("logicalDisks");
  if (declared == nullptr) return disks;
  if (declared->GetAttribute("readable", "1") == "0") return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (const rb::XmlObject& element : declared->Children()) {
    if (element.Name() != "disk") continue;
    LogicalDisk disk;
    disk.deviceId = element.GetAttribute("id", "");
    if (disk.deviceId.empty()) machine.Reject("a logical disk without an id");
    disk.volumeName = element.GetAttribute("label", "");
    disk.fileSystem = element.GetAttribute("fileSystem", "");
    disk.size = machine.Number(element, "size", kMax);
    disk.freeSpace = machine.Number(element, "freeSpace", kMax);
    if (disk.freeSpace > disk.size) machine.Reject("logical disk " + disk.deviceId + " has more free space than size");
    disks.push_back(std::move(disk));
  }
  return disks;
}

}  // namespace os
