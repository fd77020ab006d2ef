#include "platform/sim/scsi/simcsmiraidsets.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>

#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace {

constexpr std::uint32_t kMaxRaidSets = 8;
constexpr std::uint8_t kRaidTypeCount = 10;  // none to 1E

std::uint8_t LevelCode(const SimMachine& machine, const rb::XmlObject& element) {
  if (element.FindAttribute("typeCode") != nullptr)
    return static_cast<std::uint8_t>(machine.Number(element, "typeCode", 0xFF));
  static constexpr std::pair<const char*, std::uint8_t> kLevels[] = {
      {"none", win::CSMI_SAS_RAID_TYPE_NONE},     {"0", win::CSMI_SAS_RAID_TYPE_0},
      {"1", win::CSMI_SAS_RAID_TYPE_1},           {"10", win::CSMI_SAS_RAID_TYPE_10},
      {"5", win::CSMI_SAS_RAID_TYPE_5},           {"15", win::CSMI_SAS_RAID_TYPE_15},
      {"6", win::CSMI_SAS_RAID_TYPE_6},           {"50", win::CSMI_SAS_RAID_TYPE_50},
      {"volume", win::CSMI_SAS_RAID_TYPE_VOLUME}, {"1e", win::CSMI_SAS_RAID_TYPE_1E},
      {"other", win::CSMI_SAS_RAID_TYPE_OTHER}};
  const std::string level = element.GetAttribute("level");
  for (const auto& [name, code] : kLevels)
    if (rb::EqualsNoCase(level, name)) return code;
  machine.Reject("<raidSet> has no known level ('" + level + "')");
}

std::uint8_t StatusCode(const SimMachine& machine, const rb::XmlObject& element) {
  static constexpr const char* kStatus[] = {"ok", "degraded", "rebuilding", "failed", "offline"};
  const std::string status = element.GetAttribute("status", "ok");
  for (std::uint8_t code = 0; code < std::size(kStatus); ++code)
    if (rb::EqualsNoCase(status, kStatus[code])) return code;
  machine.Reject("<raidSet> has an unknown status '" + status + "'");
}

}  // namespace

SimCsmiRaidSets::SimCsmiRaidSets(const SimMachine& machine, const rb::XmlObject& port,
                                 const std::vector<SimCsmiPhy>& phys)
    : answers_(port.GetAttribute("csmiRaid", "1") != "0"),
      phyCount_(static_cast<std::uint32_t>(phys.size())),
      reportedMaxDrives_(port.FindAttribute("csmiMaxDrives") != nullptr
                             ? static_cast<std::uint32_t>(machine.Number(port, "csmiMaxDrives", 0xFF))
                             : std::max<std::uint32_t>(phyCount_, 1)) {
  std::vector<std::uint8_t> used;
  for (const rb::XmlObject* element : port.GetChildren("raidSet")) {
    if (sets_.size() == kMaxRaidSets) machine.Reject("<port> has more than 8 RAID sets");
    RaidSet set;
    set.type = LevelCode(machine, *element);
    set.status = StatusCode(machine, *element);
    set.capacityMB = static_cast<std::uint32_t>(machine.Number(*element, "capacityMB", 0xFFFFFFFF));
    set.stripeKB = element->FindAttribute("stripeKB") != nullptr
                       ? static_cast<std::uint32_t>(machine.Number(*element, "stripeKB", 0xFFFFFFFF))
                       : 64;
    set.refused = element->GetAttribute("refused") == "1";
    std::istringstream words(element->GetAttribute("members"));
    std::string word;
    while (words >> word) {
      const auto phy = std::find_if(phys.begin(), phys.end(), [&word](const SimCsmiPhy& candidate) {
        return std::to_string(candidate.id) == word;
      });
      if (phy == phys.end()) machine.Reject("<raidSet> member '" + word + "' is no <phy> of the port");
      if (std::find(used.begin(), used.end(), phy->id) != used.end())
        machine.Reject("<raidSet> member '" + word + "' is in a RAID set already");
      used.push_back(phy->id);
      set.members.push_back(*phy);
    }
    if (set.members.empty()) machine.Reject("<raidSet> has no members");
    sets_.push_back(std::move(set));
  }
}

win::CsmiSasRaidInfo SimCsmiRaidSets::Info() const {
  win::CsmiSasRaidInfo info{};
  info.uNumRaidSets = static_cast<std::uint32_t>(sets_.size());
  info.uMaxDrivesPerSet = reportedMaxDrives_;
  info.uMaxRaidSets = kMaxRaidSets;
  info.bMaxRaidTypes = kRaidTypeCount;
  info.uMaxPhysicalDrives = phyCount_;
  return info;
}

win::DWORD SimCsmiRaidSets::Config(std::uint8_t* body, std::size_t room) const {
  win::CsmiSasRaidConfig config{};
  std::memcpy(&config.uRaidSetIndex, body, sizeof config.uRaidSetIndex);
  if (config.uRaidSetIndex >= sets_.size()) return win::CSMI_SAS_RAID_SET_OUT_OF_RANGE;
  const RaidSet& set = sets_[config.uRaidSetIndex];
  if (set.refused) return win::CSMI_SAS_STATUS_FAILED;
  constexpr std::size_t kDrives = offsetof(win::CsmiSasRaidConfig, Drives);
  const std::size_t fit = std::min((room - kDrives) / sizeof(win::CsmiSasRaidDrives), set.members.size());
  config.uCapacity = set.capacityMB;
  config.uStripeSize = set.stripeKB;
  config.bRaidType = set.type;
  config.bStatus = set.status;
  // A buffer too short for every drive record gets the records that fit and the "too big" count, so
  // that the caller can ask again with room for more.
  config.bDriveCount = fit < set.members.size() ? win::CSMI_SAS_RAID_DRIVE_COUNT_TOO_BIG
                                                : static_cast<std::uint8_t>(set.members.size());
  std::memcpy(body, &config, kDrives);
  for (std::size_t i = 0; i < fit; ++i) {
    win::CsmiSasRaidDrives drive{};
    const SimCsmiPhy& member = set.members[i];
    std::memcpy(drive.bSASAddress, member.sasAddress.data(), 8);
    drive.bDriveStatus = set.status == win::CSMI_SAS_RAID_SET_STATUS_FAILED ? 2 : 0;  // failed, ok
    drive.bDriveUsage = win::CSMI_SAS_DRIVE_CONFIG_MEMBER;
    drive.usBlockSize = 512;
    drive.bDriveType = member.sata ? win::CSMI_SAS_DRIVE_TYPE_SATA : win::CSMI_SAS_DRIVE_TYPE_SINGLE_PORT_SAS;
    drive.uDriveIndex = static_cast<std::uint32_t>(i);
    std::memcpy(body + kDrives + i * sizeof drive, &drive, sizeof drive);
  }
  return win::CSMI_SAS_STATUS_SUCCESS;
}

}  // namespace os
