// The controller tests run on simulated array controllers: the fault-tolerance test's volume, its
// corruption, reset, recovery and read-back on a BMIC controller with the controller left as it was
// found after a pass, a failed recovery and a cancel; the resident diagnostics started and judged over
// CISS (timeout, results, non-retention, unknown codes, SAS maps); the NVRAM area checks and the
// background switches.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "component/simdiscoveryfixture.h"
#include "controllers/bmicdevice.h"
#include "controllers/cissdevice.h"
#include "controllers/logicalvolume.h"
#include "controllers/raiddisk.h"
#include "framework/runtestdoubles.h"
#include "framework/testdoubles.h"
#include "framework/testfactory.h"
#include "platform/forwardingplatform.h"
#include "platform/recordingplatform.h"
#include "platform/sim/array/simarraycontroller.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"
#include "tests/raid/busspeedtest.h"
#include "tests/raid/faulttolerancetest.h"
#include "tests/raid/raiddiagnvram.h"
#include "tests/raid/raiddiagtest.h"
#include "tests/raid/raidscsitest.h"
#include "tests/raid/sasverlinkspeedtest.h"

namespace rb {
namespace {

using rbtest::AnsweringHost;
using rbtest::RaidControllerSummaryEntry;

// Port 1: a BMIC controller with a RAID 1 volume on two drives and three unassigned drives (the third
// declared `{fails}`). Port 2: a CISS controller with resident diagnostics and NVRAM areas.
std::string Machine(const char* fails = "0") {
  return std::string(R"(<machine>
  <pci>
    <function bus="7" device="0" function="0" vendorID="0x0E11" deviceID="0xAE10" classCode="0x010400"
              description="RB Array Controller"/>
    <function bus="9" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"
              description="RB Array Controller S600"/>
  </pci>
  <scsi>
    <port number="1" array="bmic" pciBus="7" pciDevice="0" pciFunction="0" board="0x52410020" slot="3"
          targetsPerBus="8">
      <drive bus="0" target="0" kind="scsi" serial="USED0001" blocks="100000" rates="0xA000"/>
      <drive bus="0" target="1" kind="scsi" serial="USED0002" blocks="100000"/>
      <drive bus="0" target="2" kind="scsi" serial="FREE0003" blocks="100000"/>
      <drive bus="0" target="3" kind="scsi" serial="FREE0004" blocks="100000" failsAtReset=")") +
         fails + R"("/>
      <drive bus="0" target="4" kind="scsi" serial="FREE0005" blocks="100000" rates="0x4000"/>
      <volume raid="1" members="0:0 0:1" blocks="2000" array="0"/>
    </port>
    <port number="2" array="ciss" pciBus="9" pciDevice="0" pciFunction="0" board="0x52420108" slot="4">
      <drive bus="1" target="0" kind="sas" blocks="2000"/>
      <drive bus="1" target="1" kind="sas" blocks="2000" linkRate="8"/>
      <diagnostic group="1" code="1" result="0"/>
      <diagnostic group="1" code="2" result="9"/>
      <diagnostic group="1" code="4" result="1"/>
      <diagnostic group="2" code="1" result="69"/>
      <diagnostic group="2" code="2" result="0" never="1"/>
      <diagnostic group="3" code="2" result="0"/>
      <diagnostic group="8" code="16" result="0" intPhy="0000000F 0" extPhy="FF"/>
      <diagnostic group="8" code="1" result="0" intDrive="3 0" extDrive="0 10"/>
      <vendorInfo diagRom="0x0312"/>
      <nvram address="0xA1" text="j&gt;Ax host"/>
      <nvram address="0xA9" text="no marker here"/>
      <nvram address="0xA3" text="j&gt;Ax card" badChecksum="1"/>
    </port>
  </scsi>
</machine>)";
}

XmlObject Summary() {
  return rbtest::RaidControllerSummary({"7", "9"});
}

class RaidTests : public rbtest::SimDiscoveryTest {
 protected:
  void Load(const char* fails = "0") {
    Start(Machine(fails).c_str(), Summary());
    component_.IdentifyDevices();
  }
  BmicDevice& Bmic() { return dynamic_cast<BmicDevice&>(*component_.FindDevice("bmicController0")); }
  CissDevice& Ciss() { return dynamic_cast<CissDevice&>(*component_.FindDevice("cissController0")); }
  os::SimArrayController& SimBmic() { return *machine_->ArrayController(1); }
  os::SimArrayController& SimCiss() { return *machine_->ArrayController(2); }

  // Adds the test to the device and runs one attempt with the parameters.
  XmlObject Run(Device& device, std::unique_ptr<rb::Test> made,
                const std::vector<std::pair<const char*, std::string>>& values = {}) {
    rb::Test& test = *made;
    device.AddTest(std::move(made));
    XmlObject command;
    command.SetName("runTest");
    command.SetAttribute("retries", "0");
    for (const auto& [name, value] : values) command.SetAttribute(name, value);
    last_ = &test;
    return test.Run(command);
  }
  static std::string State(const XmlObject& result) { return result.GetAttribute("currentState"); }
  std::string Message() { return last_->ErrorElement().GetAttribute("caption"); }
  // The detail, between the device's description and the processor that the run puts around it.
  std::string Detail() {
    std::string text = last_->ErrorElement().Text();
    const std::size_t first = text.find(", ");
    if (first != std::string::npos) text = text.substr(first + 2);
    const std::size_t cpu = text.rfind(", Ran on CPU");
    return cpu == std::string::npos ? text : text.substr(0, cpu);
  }

  rb::Test* last_ = nullptr;
};

// ---- fault tolerance ---------------------------------------------------------------------------

TEST_F(RaidTests, FaultToleranceAtRaid1RecoversTheCorruptedMemberAndLeavesNoTestVolume) {
  Load();
  const std::uint64_t before = machine_->Clock().Now();
  const XmlObject result = Run(Bmic(), std::make_unique<FaultToleranceTest>());
  ASSERT_EQ(State(result), "passed") << result.ToString();
  const std::string output =
      result.SelectSingleNode("output") ? result.SelectSingleNode("output")->Text() : "";
  EXPECT_NE(output.find("Test pattern written: 32768 blocks"), std::string::npos) << output;
  EXPECT_NE(output.find("Test pattern read back after recovery: 32768 blocks"), std::string::npos) << output;
  // The volume was really taken apart and rebuilt: the reset's half minute, then the rebuild's polls.
  EXPECT_GE(machine_->Clock().Now() - before, 30000u);
  ASSERT_EQ(SimBmic().Volumes().size(), 1u) << "only the configured volume is left";
  EXPECT_TRUE(SimBmic().BackgroundActive());
  for (const auto& disk : SimBmic().Disks()) EXPECT_FALSE(disk->Failed()) << int(disk->Target());
}

TEST_F(RaidTests, ASecondMemberFailingAtTheResetIsARecoveryFailureAndTheControllerIsLeftClean) {
  Load("1");
  // With a retry, as the host runs it by default: the retry must not test the drives the failure left
  // behind and report their refusal instead of the recovery failure.
  const XmlObject result = Run(Bmic(), std::make_unique<FaultToleranceTest>(), {{"retries", "1"}});
  EXPECT_EQ(State(result), "failed");
  EXPECT_EQ(Message(), "RAID Recovery Failure");
  EXPECT_NE(Detail().find("Volume Status: Failed"), std::string::npos) << Detail();
  EXPECT_EQ(SimBmic().Volumes().size(), 1u);
  EXPECT_TRUE(SimBmic().BackgroundActive());
}

TEST_F(RaidTests, Raid5WithTooFewUnassignedDrivesCreatesNothing) {
  // Three unassigned drives make a RAID 5 volume; with one of them in a second volume there are two.
  std::string machine = Machine();
  machine.replace(machine.find(R"(<volume raid="1")"), 0, R"(<volume raid="0" members="0:4" array="1"/>)");
  Start(machine.c_str(), Summary());
  component_.IdentifyDevices();
  ASSERT_EQ(Bmic().UnassignedDisks().size(), 2u);
  const XmlObject result = Run(Bmic(), std::make_unique<FaultToleranceTest>(), {{"FaultTolerance", "RAID5"}});
  EXPECT_EQ(State(result), "failed");
  EXPECT_EQ(Message(), "Unable to create the test volume");
  EXPECT_EQ(SimBmic().Volumes().size(), 2u);
}

TEST_F(RaidTests, TheControllerRefusesAVolumeOverADriveThatJoinedAnotherSinceDiscovery) {
  Load();
  std::vector<RaidDisk*> drives = Bmic().UnassignedDisks();
  ASSERT_EQ(drives.size(), 3u);
  // Another program configures one of them after discovery.
  const auto first = Bmic().CreateLogicalVolume(2, {drives[0], drives[1]}, 1000);
  EXPECT_EQ(first->Name().rfind("bmicController0v1temp", 0), 0u) << first->Name();
  EXPECT_THROW(Bmic().CreateLogicalVolume(2, {drives[1], drives[2]}, 1000), OruError);
  EXPECT_EQ(SimBmic().Volumes().size(), 2u);
}

// Cancels a test at its first sleep of a given length.
class CancelAtSleep : public rbtest::ForwardingPlatform {
 public:
  CancelAtSleep(os::Platform& target, win::DWORD milliseconds, rb::Test& test)
      : ForwardingPlatform(target), milliseconds_(milliseconds), test_(test) {}
  void Sleep(win::DWORD milliseconds) override {
    if (milliseconds == milliseconds_) test_.Cancel();
    ForwardingPlatform::Sleep(milliseconds);
  }

 private:
  win::DWORD milliseconds_;
  rb::Test& test_;
};

TEST_F(RaidTests, ACancelDuringTheRecoveryStillDeletesTheVolumeAndResumesBackgroundActivity) {
  Load();
  auto made = std::make_unique<FaultToleranceTest>();
  rb::Test& test = *made;
  // The first wait between two looks at the recovering volume.
  installed_.reset();
  installed_ = std::make_unique<rbtest::InstalledPlatform>(
      std::make_unique<CancelAtSleep>(*machine_, FaultToleranceTest::kStatusPollMilliseconds, test));
  const XmlObject result = Run(Bmic(), std::move(made));
  EXPECT_EQ(State(result), "canceled");
  EXPECT_EQ(SimBmic().Volumes().size(), 1u);
  EXPECT_TRUE(SimBmic().BackgroundActive());
}

// The factory line's tests of the BMIC controller in its catalog entry.
std::vector<std::string> FactoryTests(const XmlObject& idResult) {
  std::vector<std::string> names;
  if (const XmlObject* controller = rbtest::DeviceNamed(idResult, "bmicController0"))
    for (const XmlObject& child : controller->Children())
      if (child.Name() == "test") names.push_back(child.GetAttribute("name"));
  return names;
}

TEST_F(RaidTests, InFactoryModeTheControllerOffersTheFaultToleranceTestOnlyWithTwoUnassignedDrives) {
  dir_.Write("diagconfig.xml", "<diagconfig><factory/></diagconfig>");
  Start(Machine().c_str(), Summary());
  std::vector<std::string> offered = FactoryTests(XmlObject(component_.IdentifyDevices()));
  EXPECT_EQ(std::count(offered.begin(), offered.end(), "RaidScsiTest"), 1);
  EXPECT_EQ(std::count(offered.begin(), offered.end(), "FaultToleranceTest"), 1);
  TearDown();
  // Two of the three unassigned drives in a second volume leave one.
  std::string machine = Machine();
  machine.replace(machine.find(R"(<volume raid="1")"), 0,
                  R"(<volume raid="1" members="0:2 0:3" array="1"/>)");
  dir_.Write("diagconfig.xml", "<diagconfig><factory/></diagconfig>");
  Start(machine.c_str(), Summary());
  offered = FactoryTests(XmlObject(component_.IdentifyDevices()));
  EXPECT_EQ(std::count(offered.begin(), offered.end(), "RaidScsiTest"), 1);
  EXPECT_EQ(std::count(offered.begin(), offered.end(), "FaultToleranceTest"), 0);
}

// ---- resident diagnostics -------------------------------------------------------------------------

std::unique_ptr<rb::Test> Diagnostic(int group, int code) {
  return MakeConfiguredTest("RaidDiagTest", TestConfig{"diag", "Diagnostic", {group, code}});
}

TEST_F(RaidTests, ADiagnosticThatNeverCompletesTimesOutAfterItsOneSecondWaitsAtFullProgress) {
  Load();
  rbtest::HostEvents::Clear();
  const std::uint64_t before = machine_->Clock().Now();
  const XmlObject result = Run(Ciss(), Diagnostic(2, 2));
  EXPECT_EQ(State(result), "failed");
  EXPECT_EQ(Message(), "The RAID board is not functioning correctly, see details for specific problem.");
  EXPECT_EQ(Detail(), "Timeout");
  EXPECT_EQ(machine_->Clock().Now() - before, 1800u * 1000u);
  std::string lastPercent;
  for (const XmlObject& event : rbtest::HostEvents::Taken())
    if (event.Name() == "diagUpdate") lastPercent = event.GetAttribute("percentComplete");
  EXPECT_EQ(lastPercent, "100");
  ASSERT_TRUE(SimCiss().Diagnostics().LastStarted().has_value());
  EXPECT_EQ(SimCiss().Diagnostics().LastStarted()->group, 2);
}

// The ROM version's two bytes are compared one by one: byte 1 (03h) is the version's first half.
TEST_F(RaidTests, TheDiagnosticsRomVersionIsComparedByteByByte) {
  Load();
  const auto check = [&](const char* byte0, const char* byte1) {
    return State(
        Run(Ciss(),
            MakeConfiguredTest("RaidDiagFirmwareVersionCheck",
                               TestConfig{"NvramDiagFwVerTest", "Diagnostics Firmware Version Test", {}}),
            {{"DiagFWVersionByte0", byte0}, {"DiagFWVersionByte1", byte1}}));
  };
  EXPECT_EQ(check("12", "03"), "passed");
  EXPECT_EQ(check("03", "12"), "failed");
  EXPECT_EQ(Message(), "Diagnostics Firmware Version MisMatch");
  EXPECT_EQ(Detail(), "Diagnostics Firmware Version 0312 does not match user defined version of 1203");
}

TEST_F(RaidTests, ResultCodesAreJudgedByTheTable) {
  Load();
  struct Case {
    int group, code;
    const char* state;
    const char* detail;
  };
  const Case cases[] = {
      {1, 1, "passed", ""},                         // 0 after 20 s of simulated time
      {1, 2, "failed", "Diagnostic Error #9(9h)"},  // not in the table
      {1, 4, "failed", "Data Mismatch"},            // code 1
      {2, 1, "failed", "SCSI Read Failed"},
      {3, 255, "failed", "Data Retained With Battery Off"},  // sent as code 2, which answers 0
      {3, 2, "passed", ""},
      {8, 4, "failed", "test = 8 subtest = 4 code = 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.group << "/" << c.code);
    const XmlObject result = Run(Ciss(), Diagnostic(c.group, c.code));
    EXPECT_EQ(State(result), c.state);
    if (std::string(c.state) == "failed") {
      EXPECT_EQ(Detail(), c.detail);
    }
  }
  ASSERT_TRUE(SimCiss().Diagnostics().LastStarted().has_value());
  EXPECT_EQ(SimCiss().Diagnostics().LastStarted()->code, 4);
}

TEST_F(RaidTests, TheNonRetentionVerifyIsStartedAsTheVerifyAndPassesOnLostData) {
  std::string machine = Machine();
  machine.replace(machine.find(R"(<diagnostic group="3" code="2" result="0"/>)"), 43,
                  R"(<diagnostic group="3" code="2" result="1"/>)");
  Start(machine.c_str(), Summary());
  component_.IdentifyDevices();
  EXPECT_EQ(State(Run(Ciss(), Diagnostic(3, 255))), "passed");
  EXPECT_EQ(SimCiss().Diagnostics().LastStarted()->code, 2);
  EXPECT_EQ(State(Run(Ciss(), Diagnostic(3, 2))), "failed");
  EXPECT_EQ(Detail(), "Data Mismatch");
}

TEST_F(RaidTests, PhyMapsAreComparedWithTheParametersInHexadecimal) {
  Load();
  EXPECT_EQ(State(Run(Ciss(), Diagnostic(8, 16), {{"SASIntPhyMap0", "f"}, {"SASExtPhyMap0", "000000ff"}})),
            "passed");
  EXPECT_EQ(State(Run(Ciss(), Diagnostic(8, 16), {{"SASIntPhyMap0", "f"}, {"SASExtPhyMap0", "000000FE"}})),
            "failed");
  EXPECT_EQ(Message(), "Data Mismatch");
  EXPECT_EQ(Detail(), "SAS external drive map0 -actual = 000000FF, expected = 000000FE");
  EXPECT_THROW(Run(Ciss(), Diagnostic(8, 16), {{"SASIntPhyMap1", "xyz"}}), OruError);
}

// The operator's answers: the LED diagnostic passes only on "Yes"; the hot-plug variant of the drive map
// check asks for the drives to be taken out first and then expects every external map empty.
TEST_F(RaidTests, TheLedAndHotPlugChecksAskTheOperator) {
  Load();
  component_.SetCallback(&AnsweringHost::Callback);
  std::string answer;
  std::string reply;
  const auto answering = [&answer, &reply](const XmlObject&) {
    reply = "<promptAnswer value='" + answer + "'/>";
    return reply.c_str();
  };
  const auto prompts = [] {
    std::vector<std::string> texts;
    // The prompt's text without the blanks the prompt puts after it.
    for (const XmlObject& prompt : AnsweringHost::Taken("diagPrompt"))
      texts.push_back(prompt.Text().substr(0, prompt.Text().find_last_not_of(' ') + 1));
    return texts;
  };
  for (const char* reply : {"Yes", "No"}) {
    SCOPED_TRACE(reply);
    answer = reply;
    AnsweringHost::Reset(answering);
    const XmlObject result = Run(Ciss(), Diagnostic(5, 1));
    EXPECT_EQ(prompts(), (std::vector<std::string>{"Watch the controller LED", "Did LED(s) blink"}));
    EXPECT_EQ(State(result), answer == "Yes" ? "passed" : "failed");
  }
  EXPECT_EQ(Message(), "Blink Controller LED test failed");

  answer = "OK";
  AnsweringHost::Reset(answering);
  // Without the hot-plug check the maps given are compared as they are.
  EXPECT_EQ(State(Run(Ciss(), Diagnostic(8, 1), {{"SASINTDriveMap0", "3"}, {"SASEXTDriveMap1", "10"}})),
            "passed");
  EXPECT_TRUE(prompts().empty());
  EXPECT_EQ(State(Run(Ciss(), Diagnostic(8, 1),
                      {{"SASHotPlugTest", "1"}, {"SASINTDriveMap0", "3"}, {"SASEXTDriveMap1", "10"}})),
            "failed");
  EXPECT_EQ(prompts(), std::vector<std::string>{"Please remove all SAS drive from the box and click [OK]"});
  EXPECT_EQ(Detail(), "SAS external drive map1 -actual = 0010, expected = 0000");
  AnsweringHost::Reset(nullptr);
}

TEST_F(RaidTests, DiagnosticsNeedACissController) {
  Load();
  EXPECT_THROW(Run(Bmic(), Diagnostic(1, 1)), OruError);
}

// ---- NVRAM areas and background activity ------------------------------------------------------------

std::unique_ptr<rb::Test> Nvram(int code) {
  return MakeConfiguredTest("RaidDiagNVRAM", TestConfig{"nvram", "NVRAM", {code}});
}

TEST_F(RaidTests, NvramAreasNeedTheirMarkerAndAZeroChecksumAndNameTheArea) {
  Load();
  EXPECT_EQ(State(Run(Ciss(), Nvram(1))), "passed");
  EXPECT_EQ(State(Run(Ciss(), Nvram(2))), "failed");
  EXPECT_EQ(Message(), "Cache Result Programmed Incorrectly ");
  EXPECT_EQ(Detail(), "Check Sum Not Found");
  EXPECT_EQ(State(Run(Ciss(), Nvram(3))), "failed");
  EXPECT_EQ(Message(), "Daughter Card Programmed Incorrectly");
  EXPECT_EQ(Detail(), "First Check Sum Does Not Sum To Zero");
  EXPECT_EQ(State(Run(Ciss(), Nvram(7))), "failed");
}

TEST(RaidDiagNvramArea, TheUpperHalfMustSumToZeroInItsLowByte) {
  std::vector<std::uint8_t> area(256, 0);
  area[10] = 'j';
  area[11] = '>';
  area[13] = 'x';
  area[128] = 0xFF;
  area[129] = 0x01;  // 0x0100
  EXPECT_EQ(RaidDiagNVRAM::CheckArea(area), "");
  area[130] = 0x01;  // 0x0101
  EXPECT_EQ(RaidDiagNVRAM::CheckArea(area), "First Check Sum Does Not Sum To Zero");
  area[13] = 'y';
  EXPECT_EQ(RaidDiagNVRAM::CheckArea(area), "Check Sum Not Found");
}

TEST_F(RaidTests, TheBackgroundSwitchesPauseAndResumeTheController) {
  Load();
  EXPECT_EQ(State(Run(Ciss(), Nvram(152))), "passed");
  EXPECT_FALSE(SimCiss().BackgroundActive());
  EXPECT_EQ(State(Run(Ciss(), Nvram(153))), "passed");
  EXPECT_TRUE(SimCiss().BackgroundActive());
}

// ---- the controller's disks ---------------------------------------------------------------------------

TEST_F(RaidTests, BusSpeedAndWidthAreComparedWithTheMinimumsByRank) {
  Load();
  RaidDisk& ultra2Wide = *Bmic().PhysicalDisks().at(0);
  RaidDisk& ultraNarrow = *Bmic().PhysicalDisks().at(4);
  struct Case {
    RaidDisk& disk;
    const char* name;
    const char* value;
    const char* state;
    const char* message;
  };
  const Case cases[] = {
      {ultra2Wide, "MinSpeed", "Ultra-2", "passed", ""},
      {ultra2Wide, "MinWidth", "16-bit", "passed", ""},
      {ultra2Wide, "MinSpeed", "Ultra-3", "failed", "SCSI bus is operating below minimum speed"},
      {ultraNarrow, "MinSpeed", "Ultra", "passed", ""},
      {ultraNarrow, "MinSpeed", "Ultra-2", "failed", "SCSI bus is operating below minimum speed"},
      {ultraNarrow, "MinWidth", "16-bit", "failed", "SCSI bus is operating below minimum width"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.disk.Name() << " " << c.name << "=" << c.value);
    EXPECT_EQ(State(Run(c.disk, std::make_unique<BusSpeedTest>(), {{c.name, c.value}})), c.state);
    if (std::string(c.state) == "failed") {
      EXPECT_EQ(Message(), c.message);
    }
  }
  // The SAS controller's disks have a link rate instead.
  EXPECT_EQ(State(Run(*Ciss().PhysicalDisks().at(0), std::make_unique<BusSpeedTest>())), "failed");
  EXPECT_EQ(Message(), "Backplane or Controller not supported");
}

TEST_F(RaidTests, TheNegotiatedLinkRateMustReachTheMinimum) {
  Load();
  RaidDisk& fast = *Ciss().PhysicalDisks().at(0);
  RaidDisk& slow = *Ciss().PhysicalDisks().at(1);
  EXPECT_EQ(State(Run(fast, std::make_unique<SasVerLinkSpeedTest>())), "passed");
  EXPECT_EQ(State(Run(slow, std::make_unique<SasVerLinkSpeedTest>())), "failed");
  EXPECT_EQ(Message(), "SAS link is operating below minimum speed");
  EXPECT_EQ(State(Run(slow, std::make_unique<SasVerLinkSpeedTest>(), {{"MinLinkSpeed", "1.5"}})), "passed");
  EXPECT_EQ(State(Run(*Bmic().PhysicalDisks().at(0), std::make_unique<SasVerLinkSpeedTest>())), "failed");
}

TEST_F(RaidTests, TheRaidAccessTestExercisesTheFirstDiskOfItsBus) {
  Load();
  const XmlObject result = Run(Bmic(), std::make_unique<RaidScsiTest>(), {{"blockCount", "64"}});
  EXPECT_EQ(State(result), "passed") << result.ToString();
  try {
    Run(Bmic(), std::make_unique<RaidScsiTest>(7));
    ADD_FAILURE() << "ran without a disk on bus 7";
  } catch (const OruError& error) {
    EXPECT_EQ(error.Message(), "Disk Drive Not Found");
  }
}

}  // namespace
}  // namespace rb
