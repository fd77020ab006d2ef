#include "devices/scsi/csmilogicalvolume.h"

#include <cmath>

#include "framework/ptstream.h"
#include "platform/winapi.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

CsmiLogicalVolume::CsmiLogicalVolume(std::uint32_t setIndex, std::uint32_t capacityMB, std::uint8_t raidType,
                                     std::uint8_t status, std::uint32_t slot, std::uint32_t bus)
    : Device("csmiVolume", true),
      setIndex_(setIndex),
      capacityMB_(capacityMB),
      raidType_(raidType),
      status_(status) {
  SetCaption(CaptionText(setIndex, slot, bus));
  SetDescription(Translate("Logical Volume"));
}

CsmiLogicalVolume::CsmiLogicalVolume() = default;

void CsmiLogicalVolume::AddMember(const std::string& deviceName,
                                  const std::array<std::uint8_t, 8>& sasAddress) {
  std::string address;
  for (std::uint8_t byte : sasAddress) address += StringPrintf("%02X", byte);
  memberDevices_.push_back(deviceName);
  memberAddresses_.push_back(std::move(address));
}

std::vector<std::string> CsmiLogicalVolume::MemberNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < memberDevices_.size() && i < memberAddresses_.size(); ++i)
    names.push_back(memberDevices_[i].empty() ? memberAddresses_[i] : memberDevices_[i]);
  return names;
}

std::string CsmiLogicalVolume::CaptionText(std::uint32_t setIndex, std::uint32_t slot, std::uint32_t bus) {
  return StringPrintf("Logical Volume %u Controller Slot %u bus %u", setIndex + 1, slot, bus);
}

std::string CsmiLogicalVolume::CapacityText(std::uint32_t capacityMB) {
  const auto gigabytes =
      static_cast<unsigned>(std::lround(static_cast<double>(capacityMB) * 1048576.0 / 1e9));
  return StringPrintf("%u Gbytes", gigabytes);
}

std::string CsmiLogicalVolume::LevelText(std::uint8_t raidType) {
  static constexpr const char* kLevels[] = {nullptr, "0", "1", "10", "5", "15", "6", "50", "Volume", "1E"};
  if (raidType == win::CSMI_SAS_RAID_TYPE_NONE) return Translate("None");
  if (raidType == win::CSMI_SAS_RAID_TYPE_OTHER) return Translate("Other");
  if (raidType >= std::size(kLevels)) return Translate("Unknown");
  return std::string("RAID ") + kLevels[raidType];
}

const char* CsmiLogicalVolume::StatusText(std::uint8_t status) {
  static constexpr const char* kStatus[] = {
      "OK",      "Degraded",     "Rebuilding",         "Failed",
      "Offline", "Transforming", "Queued for rebuild", "Queued for transformation"};
  return status < std::size(kStatus) ? kStatus[status] : "Unknown";
}

void CsmiLogicalVolume::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Device::Stream(stream, writing, version);
  stream.Transfer(setIndex_);
  stream.Transfer(capacityMB_);
  stream.Transfer(raidType_);
  stream.Transfer(status_);
  stream.TransferStringList(memberDevices_);
  stream.TransferStringList(memberAddresses_);
}

void CsmiLogicalVolume::Assign(const Persistent& other) {
  Device::Assign(other);
  const auto* volume = dynamic_cast<const CsmiLogicalVolume*>(&other);
  if (volume == nullptr) return;
  setIndex_ = volume->setIndex_;
  capacityMB_ = volume->capacityMB_;
  raidType_ = volume->raidType_;
  status_ = volume->status_;
  memberDevices_ = volume->memberDevices_;
  memberAddresses_ = volume->memberAddresses_;
}

void CsmiLogicalVolume::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (catalogRequest) return;
  element.AddProperty("capacity", Translate("Capacity"), CapacityText(capacityMB_));
  element.AddProperty("raidLevel", Translate("RAID Level"), LevelText(raidType_));
  element.AddProperty("status", Translate("Status"), Translate(StatusText(status_)));
  XmlObject array;
  array.SetName("array");
  array.SetAttribute("name", "sata-ARRAY");
  array.SetAttribute("caption", Translate("RAID Array"));
  array.SetAttribute("description",
                     Translate("RAID storage array composed of one or more physical disk drives"));
  const std::vector<std::string> names = MemberNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    XmlObject member;
    member.SetName("interface");
    member.SetAttribute("name", names[i]);
    member.SetAttribute("caption", Translate("Physical Drive"));
    member.SetAttribute("description", Translate("SAS Address") + " " + memberAddresses_[i]);
    member.SetAttribute("role", "child");
    array.AddChild(std::move(member));
  }
  element.AddChild(std::move(array));
}

}  // namespace rb
