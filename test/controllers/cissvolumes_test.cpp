// Logical volumes of a simulated CISS controller: block transfers as SCSI commands to the volume's
// LUN through the controller (the data checked against the controller's own BMIC block reads), the
// read tests of RAID 5 and RAID 1 volumes, the refusal to write a volume that holds a mounted file
// system, and a transfer past the volume's end.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/simdiscoveryfixture.h"
#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "controllers/logicalvolume.h"
#include "devices/diskwritehold.h"
#include "platform/os.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::RaidControllerSummaryEntry;

// A RAID 5 volume over three SAS drives (stripe 4 blocks, so that a few blocks cross members), a
// RAID 1 volume over two more, and a mounted RAID 0 volume on the last drive.
constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="9" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"
              description="RB Array Controller S600"/>
  </pci>
  <scsi>
    <port number="2" array="ciss" pciBus="9" pciDevice="0" pciFunction="0" board="0x52420108" slot="4">
      <drive bus="1" target="0" kind="sas" serial="R5A" blocks="4000"/>
      <drive bus="1" target="1" kind="sas" serial="R5B" blocks="4000"/>
      <drive bus="1" target="2" kind="sas" serial="R5C" blocks="4000"/>
      <drive bus="1" target="3" kind="sas" serial="R1A" blocks="4000"/>
      <drive bus="1" target="4" kind="sas" serial="R1B" blocks="4000"/>
      <drive bus="1" target="5" kind="sas" serial="MNT" blocks="4000"/>
      <volume raid="5" members="1:0 1:1 1:2" stripe="4" blocks="2000"/>
      <volume raid="1" members="1:3 1:4" blocks="1500"/>
      <volume raid="0" members="1:5" blocks="1000" mounted="1"/>
    </port>
  </scsi>
</machine>)";

XmlObject Summary() {
  return rbtest::RaidControllerSummary({"9"});
}

class CissVolumes : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override {
    Start(kMachine, Summary());
    XmlObject(component_.IdentifyDevices());
  }
  CissDevice& Controller() { return dynamic_cast<CissDevice&>(*component_.FindDevice("cissController0")); }
  LogicalVolume& Volume(std::size_t n) { return *Controller().LogicalVolumes().at(n); }
  // The blocks as the controller's own BMIC read gives them, bypassing the volume's LUN.
  std::vector<std::uint8_t> BmicRead(std::uint8_t unit, std::uint32_t first, std::uint16_t count) {
    std::vector<std::uint8_t> blocks(std::size_t{count} * 512);
    Controller().SendBmicCommand(arraylayout::command::kReadBlocks, blocks.data(),
                                 static_cast<std::uint32_t>(blocks.size()), first, count, unit, kDataIn);
    return blocks;
  }
};

TEST_F(CissVolumes, WritesThroughTheVolumesLunLandOnTheVolumeAndReadBack) {
  struct Case {
    std::size_t volume;
    std::uint64_t first;
    std::uint32_t count;
  };
  for (const Case& c : {Case{0, 6, 7}, Case{0, 1997, 3}, Case{1, 0, 5}, Case{1, 1499, 1}}) {
    SCOPED_TRACE(testing::Message() << "volume " << c.volume << " first " << c.first);
    LogicalVolume& volume = Volume(c.volume);
    std::vector<std::uint8_t> written(std::size_t{c.count} * 512);
    for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<std::uint8_t>(i * 13 + c.first);
    volume.Access(BlockDevice::kWrite, c.first, c.count, written.data());
    EXPECT_EQ(Controller().Last().cdb[0], 0x2A);
    EXPECT_EQ(BmicRead(volume.LogicalDrive(), static_cast<std::uint32_t>(c.first),
                       static_cast<std::uint16_t>(c.count)),
              written);
    std::vector<std::uint8_t> read(written.size(), 0xEE);
    volume.Access(BlockDevice::kRead, c.first, c.count, read.data());
    EXPECT_EQ(read, written);
    volume.Access(BlockDevice::kVerify, c.first, c.count, nullptr);
  }
}

TEST_F(CissVolumes, TheReadAndWriteTestsOfRaid5AndRaid1VolumesPass) {
  for (std::size_t n : {0u, 1u}) {
    for (const char* test : {"SeqReadTest", "SeqRwrcTest"}) {
      LogicalVolume& volume = Volume(n);
      SCOPED_TRACE(volume.Name() + " " + test);
      const XmlObject result =
          volume.RunTest(XmlObject("<runTest device='" + volume.Name() + "' test='" + test + "'/>"));
      EXPECT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
    }
  }
}

TEST_F(CissVolumes, AVolumeWithAMountedFileSystemIsReadButNeverWritten) {
  LogicalVolume& mounted = Volume(2);
  std::vector<std::uint8_t> block(512, 0x5A);
  mounted.Access(BlockDevice::kRead, 0, 1, block.data());
  const std::vector<std::uint8_t> before = BmicRead(mounted.LogicalDrive(), 0, 1);
  std::vector<std::uint8_t> changed(512, 0xA5);
  try {
    mounted.Access(BlockDevice::kWrite, 0, 1, changed.data());
    FAIL() << "wrote a mounted volume";
  } catch (const OruError& error) {
    EXPECT_EQ(error.Message(), DiskWriteHold::kRefusedText);
  }
  EXPECT_EQ(BmicRead(mounted.LogicalDrive(), 0, 1), before);
  EXPECT_EQ(before, block);
}

TEST_F(CissVolumes, ATransferPastTheEndFailsAsAHardError) {
  LogicalVolume& volume = Volume(1);
  EXPECT_EQ(volume.LastBlockAddress(), 1499u);
  std::vector<std::uint8_t> blocks(2 * 512);
  try {
    volume.Access(BlockDevice::kRead, 1499, 2, blocks.data());
    FAIL() << "read past the end";
  } catch (const OruError& error) {
    // The LUN's CHECK CONDITION is the controller's target status.
    EXPECT_EQ(error.Message(), "CISS driver reported problem");
    EXPECT_NE(error.Detail().find("Target Status"), std::string::npos) << error.Detail();
  }
  EXPECT_EQ(volume.HardErrorsOfLastAccess(), 1u);
}

TEST_F(CissVolumes, TheNewVolumeIsTheEntryTheReportLackedBeforeAndNoNewEntryIsVolumeNotFound) {
  std::vector<CissLun> before = Controller().ReadLogicalLuns();
  ASSERT_EQ(before.size(), 3u);
  try {
    Controller().FindNewVolume(before);
    FAIL() << "found a volume in an unchanged report";
  } catch (const OruError& error) {
    EXPECT_EQ(error.Message(), "Volume Not Found");
  }
  // As if the RAID 1 volume had just been created.
  before.erase(before.begin() + 1);
  const std::unique_ptr<LogicalVolume> created = Controller().FindNewVolume(before);
  EXPECT_EQ(created->VolumeId(), 1u);
  EXPECT_EQ(created->LogicalDrive(), 1u);
  EXPECT_STREQ(LogicalVolume::FaultToleranceText(created->FaultTolerance()), "RAID 1");
  std::vector<std::uint8_t> written(512, 0x3C), read(512);
  created->Access(BlockDevice::kWrite, 7, 1, written.data());
  Volume(1).Access(BlockDevice::kRead, 7, 1, read.data());
  EXPECT_EQ(read, written) << "the found volume is the controller's volume 1";
}

// A RAID 1 volume of 4096 blocks whose second member has failed; the controller rebuilds 1024
// blocks per simulated second.
constexpr const char* kDegradedMachine = R"(<machine>
  <pci>
    <function bus="9" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
  </pci>
  <scsi>
    <port number="2" array="ciss" pciBus="9" pciDevice="0" pciFunction="0" board="0x52420108" rebuildRate="1024">
      <drive bus="1" target="0" kind="sas" blocks="8000"/>
      <drive bus="1" target="1" kind="sas" blocks="8000" failed="1"/>
      <volume raid="1" members="1:0 1:1" blocks="4096"/>
    </port>
  </scsi>
</machine>)";

class DegradedCissVolume : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override {
    Start(kDegradedMachine, Summary());
    XmlObject(component_.IdentifyDevices());
  }
  CissDevice& Controller() { return dynamic_cast<CissDevice&>(*component_.FindDevice("cissController0")); }
  std::string Status() {
    LogicalVolume& volume = *Controller().LogicalVolumes().at(0);
    volume.Refresh();
    return LogicalVolume::StatusText(volume.StatusCode());
  }
  void Bmic(std::uint8_t command) {
    std::vector<std::uint8_t> reply(512);
    Controller().SendBmicCommand(command, reply.data(), static_cast<std::uint32_t>(reply.size()), 0, 1, 0,
                                 kDataIn);
  }
};

TEST_F(DegradedCissVolume, TheStatusMovesFromInterimRecoveryThroughTheRebuildToOk) {
  EXPECT_EQ(Status(), "INTERIM RECOVERY");
  Bmic(arraylayout::command::kResetStart);
  EXPECT_EQ(Status(), "READY FOR RECOVERY");
  Bmic(arraylayout::command::kResetFinish);
  EXPECT_EQ(Status(), "RECOVERY IN PROGRESS");
  os::Current().Sleep(2000);  // half the volume's blocks
  EXPECT_EQ(Status(), "RECOVERY IN PROGRESS");
  os::Current().Sleep(2000);
  EXPECT_EQ(Status(), "OK");
}

}  // namespace
}  // namespace rb
