#include "platform/sim/array/simraidvolume.h"

#include <algorithm>
#include <cstring>

#include "controllers/arraylayouts.h"
#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace layout = rb::arraylayout;

SimRaidVolume::SimRaidVolume(const SimMachine& machine, const rb::XmlObject& element,
                             std::vector<SimArrayDisk*> members, std::uint64_t offset)
    : raid_(static_cast<std::uint8_t>(machine.Number(element, "raid", 5))),
      array_(element.FindAttribute("array") ? static_cast<std::uint8_t>(machine.Number(element, "array", 255))
                                            : 0),
      stripe_(element.FindAttribute("stripe") ? machine.Number(element, "stripe", 65535) : kDefaultStripe),
      members_(std::move(members)),
      offset_(offset),
      mounted_(element.GetAttribute("mounted") == "1") {
  if (raid_ != 0 && raid_ != 1 && raid_ != 5) machine.Reject("<volume> raid must be 0, 1 or 5");
  const std::size_t least = raid_ == 5 ? 3 : (raid_ == 1 ? 2 : 1);
  if (members_.size() < least)
    machine.Reject(
        rb::StringPrintf("<volume> RAID %u needs %u members", raid_, static_cast<unsigned>(least)));
  if (stripe_ == 0) machine.Reject("<volume> stripe must not be 0");
  blockSize_ = members_.front()->Unit().BlockSize();
  for (const SimArrayDisk* disk : members_) {
    if (disk->Unit().BlockSize() != blockSize_) machine.Reject("<volume> members differ in block size");
    if (disk->Unit().Blocks() <= offset_) machine.Reject("<volume> has no room left on its members");
  }
  const std::uint64_t most = Capacity(raid_, members_, offset_, stripe_);
  blocks_ = element.FindAttribute("blocks") ? machine.Number(element, "blocks", most) : most;
  if (blocks_ == 0) machine.Reject("<volume> has no blocks");
  const std::uint64_t rowBlocks = stripe_ * DataColumns();
  rows_ = (blocks_ + rowBlocks - 1) / rowBlocks;
}

SimRaidVolume::SimRaidVolume(std::uint8_t raid, std::uint8_t array, std::vector<SimArrayDisk*> members,
                             std::uint64_t offset, std::uint64_t blocks)
    : raid_(raid),
      array_(array),
      stripe_(kDefaultStripe),
      members_(std::move(members)),
      blockSize_(members_.front()->Unit().BlockSize()),
      offset_(offset),
      blocks_(blocks) {
  const std::uint64_t rowBlocks = stripe_ * DataColumns();
  rows_ = (blocks_ + rowBlocks - 1) / rowBlocks;
}

std::uint64_t SimRaidVolume::Capacity(std::uint8_t raid, const std::vector<SimArrayDisk*>& members,
                                      std::uint64_t offset, std::uint64_t stripe) {
  std::uint64_t smallest = UINT64_MAX;
  for (const SimArrayDisk* disk : members) smallest = std::min(smallest, disk->Unit().Blocks());
  if (members.empty() || smallest <= offset) return 0;
  const std::uint64_t columns = raid == 1 ? 1 : (raid == 5 ? members.size() - 1 : members.size());
  return (smallest - offset) / stripe * stripe * columns;
}

std::uint64_t SimRaidVolume::DataColumns() const {
  return raid_ == 1 ? 1 : (raid_ == 5 ? members_.size() - 1 : members_.size());
}

std::uint8_t SimRaidVolume::FaultTolerance() const {
  if (raid_ == 1) return layout::kFaultToleranceRaid1;
  if (raid_ == 5) return layout::kFaultToleranceRaid5;
  return layout::kFaultToleranceRaid0;
}

bool SimRaidVolume::Uses(const SimArrayDisk& disk) const {
  return std::find(members_.begin(), members_.end(), &disk) != members_.end();
}

std::size_t SimRaidVolume::Missing() const {
  return static_cast<std::size_t>(std::count_if(members_.begin(), members_.end(),
                                                [](const SimArrayDisk* disk) { return disk->Failed(); }));
}

std::uint8_t SimRaidVolume::Status() const {
  const std::size_t missing = Missing();
  const std::size_t tolerated = raid_ == 0 ? 0 : (raid_ == 1 ? members_.size() - 1 : 1);
  if (missing > tolerated) return layout::kVolumeFailed;
  if (missing > 0) return layout::kVolumeInterimRecovery;
  return BlocksToRecover() > 0 ? layout::kVolumeRecovering : layout::kVolumeOk;
}

std::uint64_t SimRaidVolume::BlocksToRecover() const {
  std::uint64_t left = 0;
  for (const SimArrayDisk* disk : members_) {
    if (!disk->Rebuilding()) continue;
    const std::uint64_t done = std::clamp(disk->RebuiltTo(), offset_, offset_ + MemberBlocks()) - offset_;
    left += MemberBlocks() - done;
  }
  return left;
}

std::size_t SimRaidVolume::ParityMember(std::uint64_t row) const {
  return members_.size() - 1 - static_cast<std::size_t>(row % members_.size());
}

SimRaidVolume::Place SimRaidVolume::Locate(std::uint64_t lba) const {
  const std::uint64_t unit = lba / stripe_;
  const std::uint64_t within = lba % stripe_;
  if (raid_ == 1) return {0, offset_ + lba, unit};
  const std::uint64_t columns = raid_ == 5 ? members_.size() - 1 : members_.size();
  const std::uint64_t row = unit / columns;
  std::size_t member = static_cast<std::size_t>(unit % columns);
  if (raid_ == 5 && member >= ParityMember(row)) ++member;
  return {member, offset_ + row * stripe_ + within, row};
}

bool SimRaidVolume::Read(std::uint64_t lba, std::uint32_t count, std::uint8_t* out) {
  if (lba > blocks_ || count > blocks_ - lba) return false;
  for (std::uint32_t i = 0; i < count; ++i)
    if (!ReadBlock(lba + i, out + static_cast<std::size_t>(i) * blockSize_)) return false;
  return true;
}

bool SimRaidVolume::Write(std::uint64_t lba, std::uint32_t count, const std::uint8_t* in) {
  if (lba > blocks_ || count > blocks_ - lba || Status() == layout::kVolumeFailed) return false;
  for (std::uint32_t i = 0; i < count; ++i)
    if (!WriteBlock(lba + i, in + static_cast<std::size_t>(i) * blockSize_)) return false;
  return true;
}

bool SimRaidVolume::ReadBlock(std::uint64_t lba, std::uint8_t* out) {
  const Place place = Locate(lba);
  if (!written_.contains(place.row)) {
    if (Status() == layout::kVolumeFailed) return false;
    std::memset(out, 0, blockSize_);
    return true;
  }
  return ReadMember(place.member, place.lba, out);
}

bool SimRaidVolume::ReadMember(std::size_t member, std::uint64_t memberLba, std::uint8_t* out) {
  SimArrayDisk& disk = *members_[member];
  if (disk.Holds(memberLba) && disk.Read(memberLba, 1, out)) return true;
  return FromRest(member, memberLba, out);
}

bool SimRaidVolume::FromRest(std::size_t member, std::uint64_t memberLba, std::uint8_t* out) {
  if (raid_ == 0) return false;
  if (raid_ == 1) {
    for (std::size_t m = 0; m < members_.size(); ++m)
      if (m != member && members_[m]->Holds(memberLba) && members_[m]->Read(memberLba, 1, out)) return true;
    return false;
  }
  // The XOR of the rest of the row, parity included, is the missing unit.
  std::vector<std::uint8_t> other(blockSize_);
  std::memset(out, 0, blockSize_);
  for (std::size_t m = 0; m < members_.size(); ++m) {
    if (m == member) continue;
    if (!members_[m]->Holds(memberLba) || !members_[m]->Read(memberLba, 1, other.data())) return false;
    for (std::uint32_t b = 0; b < blockSize_; ++b) out[b] ^= other[b];
  }
  return true;
}

void SimRaidVolume::TouchRow(std::uint64_t row) {
  if (!written_.insert(row).second) return;
  const std::vector<std::uint8_t> zeros(stripe_ * blockSize_);
  for (SimArrayDisk* disk : members_) {
    const std::uint64_t first = offset_ + row * stripe_;
    if (disk->Holds(first)) disk->Write(first, static_cast<std::uint32_t>(stripe_), zeros.data());
  }
}

bool SimRaidVolume::WriteBlock(std::uint64_t lba, const std::uint8_t* in) {
  const Place place = Locate(lba);
  TouchRow(place.row);
  if (raid_ != 5) {
    bool any = false;
    for (std::size_t m = 0; m < members_.size(); ++m) {
      if (raid_ == 0 && m != place.member) continue;
      SimArrayDisk& disk = *members_[m];
      if (disk.Holds(place.lba) && disk.Write(place.lba, 1, in)) any = true;
    }
    return any;
  }
  // Parity = the XOR of the row's data units at this member block, the new data among them.
  const std::size_t parity = ParityMember(place.row);
  std::vector<std::uint8_t> sum(in, in + blockSize_);
  std::vector<std::uint8_t> unit(blockSize_);
  for (std::size_t m = 0; m < members_.size(); ++m) {
    if (m == parity || m == place.member) continue;
    if (!ReadMember(m, place.lba, unit.data())) return false;
    for (std::uint32_t b = 0; b < blockSize_; ++b) sum[b] ^= unit[b];
  }
  bool any = false;
  SimArrayDisk& data = *members_[place.member];
  if (data.Holds(place.lba) && data.Write(place.lba, 1, in)) any = true;
  SimArrayDisk& check = *members_[parity];
  if (check.Holds(place.lba) && check.Write(place.lba, 1, sum.data())) any = true;
  return any;
}

void SimRaidVolume::Rebuild(SimArrayDisk& disk, std::uint64_t from, std::uint64_t to) {
  const auto member = std::find(members_.begin(), members_.end(), &disk);
  if (member == members_.end() || raid_ == 0) return;
  const std::size_t index = static_cast<std::size_t>(member - members_.begin());
  from = std::max(from, offset_);
  to = std::min(to, offset_ + MemberBlocks());
  std::vector<std::uint8_t> block(blockSize_);
  for (std::uint64_t lba = from; lba < to; ++lba) {
    if (!written_.contains((lba - offset_) / stripe_)) continue;
    if (FromRest(index, lba, block.data())) disk.Write(lba, 1, block.data());
  }
}

}  // namespace os
