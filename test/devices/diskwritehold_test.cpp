// A disk is taken before each write and given back after it; a disk the system will not give (a
// mounted file system, another program) is never written.

#include "devices/diskwritehold.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/scsi/scsidisk.h"
#include "devices/scsi/scsidriver.h"
#include "platform/forwardingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "scsitestbench.h"

namespace {

// Gives or refuses the disk as told, and counts the holds handed out and closed.
class HoldingPlatform : public rbtest::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;

  bool HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                          std::vector<win::HANDLE>* holds) override {
    asked.push_back(devicePath + " " + std::to_string(address.PortNumber) + ":" +
                    std::to_string(address.PathId) + ":" + std::to_string(address.TargetId) + ":" +
                    std::to_string(address.Lun));
    holds->clear();
    if (refuse) {
      SetLastError(win::ERROR_BUSY);
      return false;
    }
    holds->push_back(kHold);
    ++given;
    return true;
  }
  bool CloseHandle(win::HANDLE handle) override {
    if (handle != kHold) return ForwardingPlatform::CloseHandle(handle);
    ++closed;
    return true;
  }

  static inline const win::HANDLE kHold = reinterpret_cast<win::HANDLE>(std::intptr_t{0x7777});
  bool refuse = false;
  int given = 0;
  int closed = 0;
  std::vector<std::string> asked;
};

// A disk on port 2 of a simulated machine, behind the holding platform.
class DiskWriteHold : public ::testing::Test {
 protected:
  rbtest::ScratchDir dir_;
  os::SimPlatform sim_{dir_.Write("machine.xml", R"(<?xml version="1.0"?>
<machine><scsi><port number="2"><disk target="3" blocks="64"><block lba="5" text="KEEP ME"/></disk></port></scsi></machine>)")};
  HoldingPlatform* holding_ = new HoldingPlatform(sim_);
  rbtest::InstalledPlatform installed_{std::unique_ptr<os::Platform>(holding_)};
  HoldingPlatform& platform = *holding_;
  rb::ScsiDriver port{"\\\\.\\SCSI2:"};
  rb::ScsiDisk disk{"disk", false, &port, 0, 3, 0};
};

TEST_F(DiskWriteHold, AWriteTakesTheDiskAndARefusalWritesNothing) {
  std::vector<std::uint8_t> block(512, 'W');

  platform.refuse = true;
  const rb::OruError refused =
      rbtest::RaisedBy([&] { disk.Access(rb::BlockDevice::kWrite, 5, 1, block.data()); });
  EXPECT_STREQ(refused.what(), rb::DiskWriteHold::kRefusedText);
  EXPECT_NE(refused.Detail().find("\\\\.\\SCSI2: 0:3:0"), std::string::npos) << refused.Detail();
  // Refused is no device error.
  EXPECT_EQ(disk.HardErrorsOfLastAccess(), 0u);
  disk.Access(rb::BlockDevice::kRead, 5, 1, block.data());
  EXPECT_EQ(std::string(block.begin(), block.begin() + 7), "KEEP ME");

  // Reads never ask; a write asks once and gives the disk back when it is done.
  platform.refuse = false;
  const std::size_t askedBefore = platform.asked.size();
  std::fill(block.begin(), block.end(), 'W');
  disk.Access(rb::BlockDevice::kWrite, 5, 1, block.data());
  EXPECT_EQ(platform.asked.size(), askedBefore + 1);
  EXPECT_EQ(platform.asked.back(), "\\\\.\\SCSI2: 2:0:3:0");
  EXPECT_EQ(platform.given, 1);
  EXPECT_EQ(platform.closed, 1);
  disk.Access(rb::BlockDevice::kRead, 5, 1, block.data());
  EXPECT_EQ(block[0], 'W');
}

TEST_F(DiskWriteHold, HoldsOfOneDiskNestWithinTheProcess) {
  std::vector<std::uint8_t> block(512, 'N');
  {
    // A run keeps the disk; the device's own writes within it do not ask again (a second exclusive
    // open or volume lock would be refused by the system).
    const std::unique_ptr<rb::DiskWriteHold> run = disk.HoldForWriting();
    disk.Access(rb::BlockDevice::kWrite, 5, 1, block.data());
    disk.Access(rb::BlockDevice::kWrite, 6, 1, block.data());
    EXPECT_EQ(platform.given, 1);
    EXPECT_EQ(platform.closed, 0);
  }
  EXPECT_EQ(platform.closed, 1);
  // Another disk is its own hold.
  rb::ScsiDisk other("other", false, &port, 0, 4, 0);
  const std::unique_ptr<rb::DiskWriteHold> first = disk.HoldForWriting();
  const std::unique_ptr<rb::DiskWriteHold> second = other.HoldForWriting();
  EXPECT_EQ(platform.given, 3);
}

}  // namespace
