#pragma once

// A logical volume of a simulated array controller: <volume raid="0|1|5" members="bus:target ..."
// [blocks="n"] [stripe="16"] [array="a"] [mounted="1"]/>. Its data lives on its member drives, in
// stripe units of `stripe` blocks from the volume's first block on each member (volumes over the same
// drives follow one another):
//   RAID 0  stripe unit k is on member k mod n, row k / n
//   RAID 1  every block is on every member, at its own block number
//   RAID 5  row r holds n - 1 data units and a parity unit (the XOR of the row's data units) on member
//           n - 1 - (r mod n); the data units fill the other members in order
// A row never written reads as zeros (a freshly initialised volume); its first write zeroes the row on
// every member, so that parity always matches. A member that is failed, not yet rebuilt or refuses a
// read is read around: a RAID 1 volume reads another copy, a RAID 5 volume rebuilds the unit from the
// rest of the row; a RAID 0 volume, or one that has lost more than its redundancy, fails the transfer.

#include <cstdint>
#include <set>
#include <vector>

#include "platform/sim/array/simarraydisk.h"

namespace os {

class SimRaidVolume {
 public:
  static constexpr std::uint64_t kDefaultStripe = 16;

  // `members` are the controller's drives that the volume names; `offset` is its first block on them.
  SimRaidVolume(const SimMachine& machine, const rb::XmlObject& element, std::vector<SimArrayDisk*> members,
                std::uint64_t offset);
  // A volume the controller configures at run time; the caller has checked the members and the size.
  SimRaidVolume(std::uint8_t raid, std::uint8_t array, std::vector<SimArrayDisk*> members,
                std::uint64_t offset, std::uint64_t blocks);
  // The most blocks a volume can have over `members` from `offset` on.
  static std::uint64_t Capacity(std::uint8_t raid, const std::vector<SimArrayDisk*>& members,
                                std::uint64_t offset, std::uint64_t stripe);

  std::uint8_t Raid() const { return raid_; }
  // The fault-tolerance code of identify logical drive.
  std::uint8_t FaultTolerance() const;
  std::uint8_t ArrayNumber() const { return array_; }
  std::uint64_t Blocks() const { return blocks_; }
  std::uint32_t BlockSize() const { return blockSize_; }
  std::uint16_t StripeBlocks() const { return static_cast<std::uint16_t>(stripe_); }
  const std::vector<SimArrayDisk*>& Members() const { return members_; }
  // The blocks each member gives the volume, from Offset() on.
  std::uint64_t MemberBlocks() const { return rows_ * stripe_; }
  std::uint64_t Offset() const { return offset_; }
  bool Uses(const SimArrayDisk& disk) const;
  // mounted="1": the system has a file system mounted on the disk it shows for the volume.
  bool Mounted() const { return mounted_; }

  // The status code of logical drive status and the member blocks still to rebuild.
  std::uint8_t Status() const;
  std::uint64_t BlocksToRecover() const;

  // `count` blocks at `lba`; false when the volume cannot give or take them.
  bool Read(std::uint64_t lba, std::uint32_t count, std::uint8_t* out);
  bool Write(std::uint64_t lba, std::uint32_t count, const std::uint8_t* in);
  // Writes the volume's data onto a rebuilding member's blocks [from, to) (member block numbers).
  void Rebuild(SimArrayDisk& disk, std::uint64_t from, std::uint64_t to);

 private:
  struct Place {
    std::size_t member;
    std::uint64_t lba;  // on the member
    std::uint64_t row;
  };
  Place Locate(std::uint64_t lba) const;
  std::size_t ParityMember(std::uint64_t row) const;
  std::size_t Missing() const;
  bool ReadBlock(std::uint64_t lba, std::uint8_t* out);
  bool WriteBlock(std::uint64_t lba, const std::uint8_t* in);
  // A member block from the member itself or, failing that, from the rest of its row.
  bool ReadMember(std::size_t member, std::uint64_t memberLba, std::uint8_t* out);
  // A member block from the other members: another copy, or the XOR of the rest of the row.
  bool FromRest(std::size_t member, std::uint64_t memberLba, std::uint8_t* out);
  void TouchRow(std::uint64_t row);
  std::uint64_t DataColumns() const;

  std::uint8_t raid_;
  std::uint8_t array_;
  std::uint64_t stripe_;
  std::vector<SimArrayDisk*> members_;
  std::uint32_t blockSize_;
  std::uint64_t offset_;
  std::uint64_t rows_;
  std::uint64_t blocks_;
  std::set<std::uint64_t> written_;
  bool mounted_ = false;
};

}  // namespace os
