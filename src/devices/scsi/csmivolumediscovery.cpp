#include "devices/scsi/csmivolumediscovery.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "component/testcomponent.h"
#include "devices/enumeration/discoverycontext.h"
#include "devices/scsi/csmilogicalvolume.h"
#include "devices/scsi/csmisasinterface.h"
#include "devices/scsi/scsicontroller.h"
#include "devices/scsi/scsidriver.h"
#include "framework/interface.h"
#include "support/debug.h"
#include "support/oruerror.h"

namespace rb {

namespace {

// A driver that reports more sets than this is not believed past it.
constexpr std::uint32_t kMostRaidSets = 256;
// Drive counts from F1h up are the answer's codes, not counts.
constexpr std::uint32_t kMostDrivesPerSet = 0xF0;

// The configuration of one RAID set with its drive records. Room is made for the drives the adapter
// says a set can have; while it answers that they do not fit, the request is made again with room
// for twice as many. False when the adapter refuses the set.
bool ReadRaidSet(ScsiDriver& driver, std::uint32_t index, std::uint32_t maxDrives,
                 std::vector<std::uint8_t>& answer, std::uint32_t& drives) {
  std::uint32_t room = std::clamp<std::uint32_t>(maxDrives, 1, kMostDrivesPerSet);
  for (;;) {
    answer.assign(sizeof(win::CsmiSasRaidConfig) + (room - 1) * sizeof(win::CsmiSasRaidDrives), 0);
    std::memcpy(answer.data(), &index, sizeof index);
    if (!CsmiSasInterface::GetRaidConfig(driver, answer.data(), static_cast<std::uint32_t>(answer.size())))
      return false;
    const std::uint8_t count = answer[offsetof(win::CsmiSasRaidConfig, bDriveCount)];
    if (count == win::CSMI_SAS_RAID_DRIVE_COUNT_TOO_BIG && room < kMostDrivesPerSet) {
      room = std::min(room * 2, kMostDrivesPerSet);
      continue;
    }
    drives = count == win::CSMI_SAS_RAID_DRIVE_COUNT_TOO_BIG ? room
             : count > kMostDrivesPerSet                     ? 0
                                                             : std::min<std::uint32_t>(count, room);
    return true;
  }
}

// The name of the device discovery made behind the controller for a SAS address; empty when none.
std::string DeviceAt(DiscoveryContext& context, const ScsiController& controller,
                     const std::uint8_t* sasAddress) {
  for (const Interface& relation : controller.Interfaces()) {
    if (relation.Role() != Interface::kChild) continue;
    const auto* device = dynamic_cast<const ScsiDevice*>(context.Component().FindDevice(relation.Name()));
    if (device != nullptr && std::memcmp(device->Record().csmiPhyCopy.sasAddress.data(), sasAddress, 8) == 0)
      return device->Name();
  }
  return {};
}

}  // namespace

void AddCsmiVolumes(DiscoveryContext& context, const std::shared_ptr<ScsiController>& controller) {
  if (controller == nullptr || !controller->CsmiCapable() || controller->Driver() == nullptr) return;
  ScsiDriver& driver = *controller->Driver();
  win::CsmiSasRaidInfo info{};
  win::CsmiSasCntlrConfig config{};
  try {
    if (!CsmiSasInterface::GetRaidInfo(driver, &info, sizeof info) ||
        !CsmiSasInterface::GetControllerConfig(driver, &config, sizeof config)) {
      DebugPrint("AddCsmiVolumes: %s reports no RAID information\n", driver.Path().c_str());
      return;
    }
  } catch (const OruError& error) {
    DebugPrint("AddCsmiVolumes: %s refused the RAID information: %s: %s\n", driver.Path().c_str(),
               error.Message().c_str(), error.Detail().c_str());
    return;
  }
  const std::uint32_t sets = std::min(info.uNumRaidSets, kMostRaidSets);
  for (std::uint32_t index = 0; index < sets; ++index) {
    std::vector<std::uint8_t> answer;
    std::uint32_t drives = 0;
    try {
      if (!ReadRaidSet(driver, index, info.uMaxDrivesPerSet, answer, drives)) {
        DebugPrint("AddCsmiVolumes: %s refused RAID set %u\n", driver.Path().c_str(), index);
        continue;
      }
    } catch (const OruError& error) {
      DebugPrint("AddCsmiVolumes: %s refused RAID set %u: %s: %s\n", driver.Path().c_str(), index,
                 error.Message().c_str(), error.Detail().c_str());
      continue;
    }
    win::CsmiSasRaidConfig set;
    std::memcpy(&set, answer.data(), sizeof set);
    auto volume =
        std::make_unique<CsmiLogicalVolume>(index, set.uCapacity, set.bRaidType, set.bStatus,
                                            config.usSlotNumber, config.BusAddress.PciAddress.bBusNumber);
    for (std::uint32_t i = 0; i < drives; ++i) {
      win::CsmiSasRaidDrives drive;
      std::memcpy(&drive, answer.data() + offsetof(win::CsmiSasRaidConfig, Drives) + i * sizeof drive,
                  sizeof drive);
      std::array<std::uint8_t, 8> address;
      std::memcpy(address.data(), drive.bSASAddress, 8);
      volume->AddMember(DeviceAt(context, *controller, drive.bSASAddress), address);
    }
    volume->AddInterface(
        Interface(controller->Name(), "SCSI Controller", controller->DisplayName(), Interface::kParent));
    const std::string caption = volume->Caption();
    const std::shared_ptr<Device> added = context.Add(std::move(volume), true);
    if (added != nullptr)
      controller->AddInterface(Interface(added->Name(), "Logical Volume", caption, Interface::kChild));
  }
}

}  // namespace rb
