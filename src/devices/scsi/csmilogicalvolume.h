#pragma once

// A RAID volume of a host adapter that answers CSMI: one RAID set of its get-RAID-config answer. It
// keeps what the adapter told at discovery (the set's index, capacity, RAID type and status, the
// adapter's slot and PCI bus) and the set's drives: the device discovery made for each drive's SAS
// address, or the bare address when there is none. Nothing is read again to describe it, so a volume
// read back from the persistent file describes itself as it did when it was found.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/device.h"

namespace rb {

class CsmiLogicalVolume : public Device {
 public:
  static constexpr const char* kStreamableName = "CsmiLogicalVolume";

  // The volume of the RAID set at `setIndex`, of `capacityMB` megabytes (2^20 bytes) and CSMI RAID
  // type and status codes, on the adapter in `slot` of PCI bus `bus`.
  CsmiLogicalVolume(std::uint32_t setIndex, std::uint32_t capacityMB, std::uint8_t raidType,
                    std::uint8_t status, std::uint32_t slot, std::uint32_t bus);
  // The state a reader starts from.
  CsmiLogicalVolume();

  // A drive of the set: the name of its device, empty when discovery made none for the address.
  void AddMember(const std::string& deviceName, const std::array<std::uint8_t, 8>& sasAddress);
  // The child entries' names: the member's device, else its SAS address in hexadecimal.
  std::vector<std::string> MemberNames() const;

  std::uint32_t SetIndex() const { return setIndex_; }
  // "Logical Volume <set index + 1> Controller Slot <slot> bus <bus>".
  static std::string CaptionText(std::uint32_t setIndex, std::uint32_t slot, std::uint32_t bus);
  // The capacity in gigabytes of 10^9 bytes, rounded to the nearest, as "%u Gbytes" (the disks show
  // theirs in the same unit).
  static std::string CapacityText(std::uint32_t capacityMB);
  // "RAID 0", "RAID 1", "RAID 10", ... for the CSMI RAID types; "None", "Other", and "Unknown" for a
  // code CSMI does not define.
  static std::string LevelText(std::uint8_t raidType);
  static const char* StatusText(std::uint8_t status);

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CsmiLogicalVolume>(); }
  std::string ElementClass() const override { return "logicalVolume"; }
  // The capacity, RAID level and status, and the "sata-ARRAY" node with a child entry per drive.
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 private:
  std::uint32_t setIndex_ = 0;
  std::uint32_t capacityMB_ = 0;
  std::uint8_t raidType_ = 0;
  std::uint8_t status_ = 0;
  // Per drive, in the adapter's order: its device's name (or empty) and its SAS address's hex text.
  std::vector<std::string> memberDevices_;
  std::vector<std::string> memberAddresses_;
};

}  // namespace rb
