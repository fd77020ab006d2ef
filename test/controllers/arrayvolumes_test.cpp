// Logical volumes and array disks on a simulated BMIC controller: the volume's catalog entry and its
// edge cases, block transfers through the controller, the array disks' speed, link rate and counters,
// and the history diagnosis of a clean, an amber and a failing drive end to end.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "component/simdiscoveryfixture.h"
#include "controllers/bmicdevice.h"
#include "controllers/logicalvolume.h"
#include "controllers/raiddisk.h"
#include "controllers/sataraiddisk.h"
#include "devices/scsi/scsicommandrecord.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::Property;
using rbtest::RaidControllerSummaryEntry;

// A RAID 5 volume of 976562 blocks (just under 0.5 × 10^9 bytes) over three drives, one clean, one
// with its amber light on and one failing; a SATA drive on its own on a second bus.
constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="7" device="0" function="0" vendorID="0x0E11" deviceID="0xAE10" classCode="0x010400"
              description="RB Array Controller"/>
  </pci>
  <scsi>
    <port number="1" array="bmic" pciBus="7" pciDevice="0" pciFunction="0" board="0x52410020"
          model="RB Array Controller L200" firmware="2.36" slot="3" targetsPerBus="8">
      <drive bus="0" target="0" kind="scsi" vendor="RAVEL" product="RB146" serial="CLEAN001" blocks="600000"
             rates="0x4000"/>
      <drive bus="0" target="1" kind="scsi" vendor="RAVEL" product="RB146" serial="AMBER002" blocks="600000"
             rates="0x0001" history="amber"/>
      <drive bus="0" target="2" kind="scsi" vendor="RAVEL" product="RB146" serial="FAIL0003" blocks="600000"
             history="failing"/>
      <drive bus="1" target="0" kind="sata" product="RB500 SATA" serial="SATA0004" blocks="600000"/>
      <volume raid="5" members="0:0 0:1 0:2" blocks="976562" array="0"/>
    </port>
  </scsi>
</machine>)";

XmlObject Summary() {
  return rbtest::RaidControllerSummary({"7"});
}

class ArrayVolumes : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override {
    Start(kMachine, Summary());
    idResult_ = XmlObject(component_.IdentifyDevices());
  }
  const XmlObject& Entry(const std::string& name) {
    for (const XmlObject& child : idResult_.Children())
      if (child.Name() == "device" && child.GetAttribute("name") == name) return child;
    ADD_FAILURE() << "no device " << name << " in " << idResult_.ToString();
    return idResult_;
  }
  BmicDevice& Controller() { return dynamic_cast<BmicDevice&>(*component_.FindDevice("bmicController0")); }
  RaidDisk& Disk(std::size_t index) { return *Controller().PhysicalDisks().at(index); }
  XmlObject Diagnose(const RaidDisk& disk) {
    XmlObject command;
    command.SetName("runDiagnosis");
    command.SetAttribute("device", disk.Name());
    return XmlObject(component_.RunDiagnosis(command));
  }

  XmlObject idResult_;
};

TEST_F(ArrayVolumes, TheVolumeShowsItsStatusFaultToleranceAndCapacityInMegabytesBelowAGigabyte) {
  const XmlObject& volume = Entry("bmicController0v0");
  EXPECT_EQ(volume.GetAttribute("class"), "logicalVolume");
  EXPECT_EQ(volume.GetAttribute("caption"), "Logical Volume 1, Controller Slot 3");
  EXPECT_EQ(Property(volume, "StatusCode"), "0");
  EXPECT_EQ(Property(volume, "StatusDescription"), "OK");
  EXPECT_EQ(Property(volume, "FaultTolerance"), "RAID 5");
  EXPECT_EQ(Property(volume, "capacity"), "500 Mbytes");
  EXPECT_EQ(Property(volume, "VolumeID"), "00000000h");
  const auto tests = std::count_if(volume.Children().begin(), volume.Children().end(),
                                   [](const XmlObject& child) { return child.Name() == "test"; });
  EXPECT_GT(tests, 0);
}

TEST_F(ArrayVolumes, AnIdentifierAbove65535IsAnExternalVolumeNamedWithTheBus) {
  LogicalVolume external(Controller(), 0, 65536);
  external.Refresh();
  EXPECT_TRUE(external.IsExternal());
  EXPECT_EQ(external.DisplayNameText(), "External Logical Volume 1, Controller Slot 3 Bus 7");
  EXPECT_FALSE(LogicalVolume(Controller(), 0, 65535).IsExternal());
}

TEST(LogicalVolumeTables, StatusAndFaultToleranceTextsWithTheirEnds) {
  EXPECT_STREQ(LogicalVolume::StatusText(0), "OK");
  EXPECT_STREQ(LogicalVolume::StatusText(5), "RECOVERY IN PROGRESS");
  EXPECT_STREQ(LogicalVolume::StatusText(12), "QUEUED FOR EXPANSION");
  EXPECT_STREQ(LogicalVolume::StatusText(13), "INVALID STATUS");
  EXPECT_STREQ(LogicalVolume::FaultToleranceText(3), "RAID 5");
  EXPECT_STREQ(LogicalVolume::FaultToleranceText(5), "KVX RAID");
  EXPECT_STREQ(LogicalVolume::FaultToleranceText(6), "Unknown");
}

TEST(ArrayDiskAddressing, ADiskWithNeitherDriverNorControllerHasNoAdapter) {
  RaidDisk disk;
  const std::uint8_t cdb[6] = {0x00};
  try {
    disk.SendCdb(cdb, 6, nullptr, 0, kNoData);
    FAIL() << "sent without an adapter";
  } catch (const OruError& error) {
    EXPECT_EQ(error.Message(), "Undefined SCSI adapter");
    EXPECT_NE(error.Detail().find("Opcode=0x00"), std::string::npos) << error.Detail();
  }
}

TEST_F(ArrayVolumes, BlocksWrittenThroughTheControllerReadBackAcrossPieces) {
  LogicalVolume& volume = *Controller().LogicalVolumes().at(0);
  ASSERT_EQ(volume.BlockSize(), 512u);
  EXPECT_EQ(volume.LastBlockAddress(), 976561u);
  std::vector<std::uint8_t> written(3 * 512);
  for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<std::uint8_t>(i * 7 + 1);
  volume.Access(BlockDevice::kWrite, 976559, 3, written.data());
  std::vector<std::uint8_t> read(written.size(), 0xEE);
  volume.Access(BlockDevice::kRead, 976559, 3, read.data());
  EXPECT_EQ(read, written);
  // Past the end the controller refuses the transfer and the volume counts a hard error.
  EXPECT_THROW(volume.Access(BlockDevice::kRead, 976562, 1, read.data()), OruError);
  EXPECT_EQ(volume.HardErrorsOfLastAccess(), 1u);
}

TEST_F(ArrayVolumes, DisksShowTheirSpeedOrLinkRateAndCountersAndSataDisksTheirOwnClass) {
  EXPECT_EQ(Property(Entry(Disk(0).Name()), "ActualBusSpeed"), "Ultra SCSI or Fast-20 (20 MHz)");
  EXPECT_EQ(Property(Entry(Disk(1).Name()), "ActualBusSpeed"), "Ultra-160 or Ultra-3 SCSI (160 MHz)");
  EXPECT_NE(dynamic_cast<SATARaidDisk*>(&Disk(3)), nullptr);
  EXPECT_EQ(Disk(3).StreamableName(), "SATARaidDisk");
  // Counter 17 is the media failures, 2 the last failure reason (0x13, a predictive failure).
  EXPECT_EQ(Property(Entry(Disk(2).Name()), "Counter17"), "0000000c");
  EXPECT_EQ(Property(Entry(Disk(2).Name()), "Counter2"), "00000013");
  EXPECT_EQ(Property(Entry(Disk(0).Name()), "Counter17"), "00000000");
  // The common counters end with the bad target count; the storage-array words are not shown here.
  EXPECT_EQ(Property(Entry(Disk(0).Name()), "Counter20"), "00000000");
  for (const XmlObject& child : Entry(Disk(0).Name()).Children()) {
    EXPECT_NE(child.GetAttribute("name"), "Counter21");
    EXPECT_NE(child.GetAttribute("caption"), "Connector");
    EXPECT_NE(child.GetAttribute("caption"), "Drive Present and Operational");
  }
}

TEST(ArrayDiskTexts, LinkRatesAndBusSpeeds) {
  EXPECT_STREQ(RaidDisk::LinkRateText(0), "Link rate unknown");
  EXPECT_STREQ(RaidDisk::LinkRateText(3), "SATA spin-up hold");
  EXPECT_STREQ(RaidDisk::LinkRateText(8), "1.5 Gbps");
  EXPECT_STREQ(RaidDisk::LinkRateText(9), "3.0 Gbps");
  EXPECT_STREQ(RaidDisk::BusSpeedText(0xC8, 0x09), "Ultra-320 (320 MHz)");
  EXPECT_STREQ(RaidDisk::BusSpeedText(0x88, 0), "Ultra-2 SCSI or Fast-40 (40 MHz)");
  EXPECT_STREQ(RaidDisk::BusSpeedText(0x08, 0), "Fast (10 MHz)");
  EXPECT_STREQ(RaidDisk::BusSpeedText(0x37, 0x06), "Asynchronous (less than 10 MHz)");
}

TEST_F(ArrayVolumes, TheHistoryDiagnosisPassesCleanAndAmberDrivesAndFailsTheFailingOne) {
  struct Case {
    std::size_t disk;
    const char* state;
    const char* page;
    bool identifyOffered;
  };
  for (const Case& c : {Case{0, "passed", "ravelbank.hddpass.htm", false},
                        Case{1, "passed", "ravelbank.hddpassamber.htm", false},
                        Case{2, "failed", "ravelbank.hddfail.htm", true}}) {
    SCOPED_TRACE(c.disk);
    const std::string result = Diagnose(Disk(c.disk)).ToString();
    EXPECT_NE(result.find(std::string("currentState=\"") + c.state + "\""), std::string::npos) << result;
    EXPECT_NE(result.find(c.page), std::string::npos) << result;
    EXPECT_EQ(result.find("subDevice=\"FlashLED\"") != std::string::npos, c.identifyOffered) << result;
  }
  const std::string failing = Diagnose(Disk(2)).ToString();
  for (const char* note : {"Drive has reported a SMART error", "Drive has reported a DST error",
                           "Controller has reported a critical performance threshold error on this drive"})
    EXPECT_NE(failing.find(note), std::string::npos) << note;
  EXPECT_EQ(failing.find("Failed to retrieve"), std::string::npos) << failing;
}

TEST_F(ArrayVolumes, TheDiagnosisNamesTheDrivesAndTheControllersSerialNumbers) {
  const XmlObject result = Diagnose(Disk(0));
  const XmlObject* diagnosis =
      result.Name() == "diagnosisResult" ? &result : result.SelectSingleNode("diagnosisResult");
  ASSERT_NE(diagnosis, nullptr) << result.ToString();
  EXPECT_EQ(diagnosis->GetPropertyValue("SerialNumber"), "CLEAN001");
  EXPECT_EQ(diagnosis->GetPropertyValue("ControllerSerialNumber"), "SIMARRAY52410020");
}

}  // namespace
}  // namespace rb
