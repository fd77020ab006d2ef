#include "tests/raid/raidscsitest.h"

#include "controllers/bmicdevice.h"
#include "controllers/raiddisk.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

RaidScsiTest::RaidScsiTest(std::uint8_t bus)
    : AccessTest("RaidScsiTest", Translate("SCSI RWRC Test"),
                 Translate("Exercises the SCSI subsystem of a RAID controller"), kRwrc, kRandom),
      bus_(bus) {}

void RaidScsiTest::Stream(ptstream& stream, bool writing, std::int32_t version) {
  AccessTest::Stream(stream, writing, version);
  stream.Transfer(bus_);
}

void RaidScsiTest::Assign(const Persistent& other) {
  AccessTest::Assign(other);
  if (const auto* test = dynamic_cast<const RaidScsiTest*>(&other)) bus_ = test->bus_;
}

BlockDevice& RaidScsiTest::Block() const {
  const auto* controller = dynamic_cast<const BmicDevice*>(Owner());
  if (controller != nullptr)
    for (RaidDisk* disk : controller->PhysicalDisks())
      if (bus_ == kAnyBus || disk->Bus() == bus_) return *disk;
  throw OruError(Translate("Disk Drive Not Found"), Name());
}

}  // namespace rb
