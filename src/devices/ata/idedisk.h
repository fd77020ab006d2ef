#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "devices/ata/ideblockdevice.h"

namespace rb {

// A hard disk on a legacy IDE or IDE RAID controller (and the base of the SATA and USB ATA disks):
// its identify data, capacity, DMA properties and connector, and its tests.
class IdeDisk : public IdeBlockDevice {
 public:
  static constexpr const char* kStreamableName = "IdeDisk";

  IdeDisk(std::string name, bool makeUnique, std::string devicePath);
  IdeDisk();

  // A logical drive of an IDE RAID controller, which answers for its members.
  bool BehindIdeRaid() const { return ideRaid_; }
  void SetBehindIdeRaid(bool ideRaid) { ideRaid_ = ideRaid; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<IdeDisk>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 protected:
  // The properties every ATA disk shows: storage kind, identity, capacity, controller.
  void DescribeDisk(XmlObject& element);
  // Offers the tests of the list, without the SMART status and self-tests when the drive's identify
  // data says it lacks the SMART feature set (a drive that answered no identify keeps them).
  void OfferDiskTests(XmlObject& element, bool catalogRequest, std::vector<std::string_view> tests);

 private:
  bool ideRaid_ = false;
};

}  // namespace rb
