#include "platform/sim/array/simvolumecreation.h"

#include <algorithm>

#include "controllers/arraylayouts.h"
#include "platform/sim/array/simarraycontroller.h"

namespace os {

namespace layout = rb::arraylayout;

std::uint8_t CreateSimVolume(SimArrayController& controller, std::uint8_t unit, const std::uint8_t* data,
                             std::size_t length) {
  namespace create = layout::createlogical;
  auto& volumes = controller.Volumes();
  if (length < create::kSize || unit != volumes.size()) return layout::kBmicInvalidUnit;
  std::uint8_t raid = 0;
  switch (data[create::kFaultTolerance]) {
    case layout::kFaultToleranceRaid0:
      raid = 0;
      break;
    case layout::kFaultToleranceRaid1:
      raid = 1;
      break;
    case layout::kFaultToleranceRaid5:
      raid = 5;
      break;
    default:
      return layout::kBmicInvalidUnit;
  }
  std::vector<SimArrayDisk*> members;
  std::size_t named = 0;
  for (std::size_t bus = 0; bus < layout::kDriveMapBuses; ++bus)
    for (std::size_t target = 0; target < layout::kDriveMapTargets; ++target)
      if (layout::MarkedInDriveMap(data + create::kMemberMap, bus, target)) {
        ++named;
        for (const auto& disk : controller.Disks())
          if (disk->Bus() == bus && disk->Target() == target) members.push_back(disk.get());
      }
  if (members.size() != named) return layout::kBmicInvalidUnit;
  for (const SimArrayDisk* disk : members) {
    const bool taken =
        std::any_of(volumes.begin(), volumes.end(), [&](const auto& volume) { return volume->Uses(*disk); });
    if (taken || disk->Failed() || disk->Unit().BlockSize() != members.front()->Unit().BlockSize())
      return layout::kBmicInvalidUnit;
  }
  const std::size_t least = raid == 5 ? 3 : (raid == 1 ? 2 : 1);
  if (members.size() < least) return layout::kBmicInvalidUnit;
  const std::uint64_t most = SimRaidVolume::Capacity(raid, members, 0, SimRaidVolume::kDefaultStripe);
  std::uint64_t blocks = layout::Get32(data, create::kBlockCount);
  if (blocks == 0) blocks = most;
  if (blocks == 0 || blocks > most) return layout::kBmicInvalidUnit;
  // A new array of its own, after the others.
  std::uint8_t array = 0;
  for (const auto& volume : volumes) array = std::max<std::uint8_t>(array, volume->ArrayNumber() + 1);
  volumes.push_back(std::make_unique<SimRaidVolume>(raid, array, std::move(members), 0, blocks));
  return layout::kBmicOk;
}

}  // namespace os
