// The self-test and SMART tests through the component on simulated disks: the drive's own self-tests
// run on the simulated clock (an hour-long one ends at once), so the time limits, polling intervals and
// progress of a run are seen as the drive answers them, with the faults a drive can declare.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "devices/ata/idedisk.h"
#include "devices/scsi/scsidisk.h"
#include "devices/scsi/scsidriver.h"
#include "framework/runtestdoubles.h"
#include "framework/test.h"
#include "framework/testfactory.h"
#include "platform/forwardingplatform.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "platform/winapi.h"
#include "platform/winstorage.h"
#include "ravelbank/host.h"
#include "support/xmlobject.h"

namespace {

using rbtest::AnsweringHost;

// Watches the simulated clock: when each REQUEST SENSE and SMART READ DATA reaches the drive, and an
// operator who cancels the running test once a given simulated time has passed.
class SelfTestWatch : public rbtest::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override {
    if (code == win::IOCTL_SCSI_PASS_THROUGH_DIRECT && inLength >= sizeof(win::ScsiPassThroughDirect)) {
      const auto* request = static_cast<const win::ScsiPassThroughDirect*>(in);
      if (request->Cdb[0] == 0x03) polls.push_back(GetTickCount64());
      if (request->Cdb[0] == 0x1D) diagnostics.push_back(request->Cdb[1]);
    }
    if (code == win::SMART_SEND_DRIVE_COMMAND && inLength >= win::kSendCmdInLength) {
      const auto* request = static_cast<const win::SendCmdInParams*>(in);
      if (request->irDriveRegs.bFeaturesReg == win::SMART_EXECUTE_OFFLINE_IMMEDIATE)
        diagnostics.push_back(request->irDriveRegs.bSectorNumberReg);
    }
    if (code == win::SMART_RCV_DRIVE_DATA) polls.push_back(GetTickCount64());
    return ForwardingPlatform::DeviceIoControl(handle, code, in, inLength, out, outLength, returned);
  }
  void Sleep(win::DWORD milliseconds) override {
    ForwardingPlatform::Sleep(milliseconds);
    if (cancelAt != 0 && GetTickCount64() >= cancelAt && cancel) cancel();
  }

  std::vector<std::uint64_t> polls;       // simulated milliseconds
  std::vector<std::uint8_t> diagnostics;  // SEND DIAGNOSTIC byte 1, or the ATA self-test sub-code
  std::uint64_t cancelAt = 0;
  std::function<void()> cancel;
};

// A component whose device "disk" is the simulated machine's one disk, as a SCSI disk or (with a
// model) an ATA disk, carrying every test of the family.
class DiskRun {
 public:
  explicit DiskRun(const std::string& attributes, bool ata = false)
      : sim_(std::make_unique<os::SimPlatform>(
            dir_.Write("machine.xml",
                       "<?xml version=\"1.0\"?>\n<machine><scsi><port number=\"0\"><disk target=\"0\" "
                       "blocks=\"2000\" " +
                           std::string(ata ? "model=\"RB ATA DISK\" " : "") + attributes +
                           "/></port></scsi></machine>"))),
        installed_(std::make_unique<SelfTestWatch>(*sim_)) {
    Initialize("<options component='storage.so'/>");
    OruFree(SetCallback(&AnsweringHost::Callback));
    std::unique_ptr<rb::Device> disk;
    if (ata) {
      disk = std::make_unique<rb::IdeDisk>("disk", false, "\\\\.\\PhysicalDrive0");
    } else {
      auto scsi = std::make_unique<rb::ScsiDisk>("disk", false, nullptr, 0, 0, 0);
      scsi->OwnDriver(std::make_unique<rb::ScsiDriver>("\\\\.\\SCSI0:"));
      disk = std::move(scsi);
    }
    for (const char* test : {"EOSTTest", "SOSTTest", "SelfTest", "ShortSelfTest", "ScsiDfltSelfTest",
                             "SmartErrorTest", "IdeSmartErrTest", "SMARTCheckTest", "GrownDefectsTest"}) {
      auto made = rb::MakeTest(test);
      tests_.push_back(made.get());
      disk->AddTest(std::move(made));
    }
    device_ = disk.get();
    rb::ComponentInstance()->AddDevice(std::move(disk));
  }
  ~DiskRun() {
    Uninitialize(nullptr);
    AnsweringHost::Reset(nullptr);
  }

  rb::XmlObject Run(const std::string& test, const std::string& parameters = "") {
    AnsweringHost::Reset(nullptr);
    const std::uint64_t started = Watch().GetTickCount64();
    char* result = ExecuteXMLCommand(
        ("<runTest device='disk' test='" + test + "' retries='0' " + parameters + "/>").c_str());
    const rb::XmlObject parsed{std::string(result != nullptr ? result : "")};
    OruFree(result);
    simulatedMs = Watch().GetTickCount64() - started;
    return parsed;
  }
  // The operator cancels `test` once the simulated clock has run `ms` from now.
  void CancelAfter(std::uint64_t ms, const std::string& test) {
    Watch().cancelAt = Watch().GetTickCount64() + ms;
    rb::Test* found = nullptr;
    for (rb::Test* t : tests_)
      if (t->Name() == test) found = t;
    Watch().cancel = [found] { found->Cancel(); };
  }
  // The "Will timeout in" lines and the percentages the host was sent while polling.
  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const rb::XmlObject& update : AnsweringHost::Taken("diagUpdate")) {
      const std::string caption = update.GetAttribute("OperationCaption");
      if (!caption.empty() && (out.empty() || out.back() != caption)) out.push_back(caption);
    }
    return out;
  }
  // The percentages sent while polling.
  std::vector<int> Percentages() const {
    std::vector<int> out;
    for (const rb::XmlObject& update : AnsweringHost::Taken("diagUpdate"))
      if (!update.GetAttribute("OperationCaption").empty())
        out.push_back(std::stoi(update.GetAttribute("percentComplete", "0")));
    return out;
  }
  SelfTestWatch& Watch() { return static_cast<SelfTestWatch&>(installed_.Get()); }
  rb::Device& Device() { return *device_; }

  std::uint64_t simulatedMs = 0;

 private:
  rbtest::ScratchDir dir_;
  std::unique_ptr<os::SimPlatform> sim_;
  rbtest::InstalledPlatform installed_;
  std::vector<rb::Test*> tests_;
  rb::Device* device_ = nullptr;
};

std::string ErrorText(const rb::XmlObject& result) {
  const rb::XmlObject* error = result.SelectSingleNode("error");
  return error != nullptr ? error->GetAttribute("caption") + " | " + error->Text() : "";
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Whether the drive still runs a self-test, as a new run would find it.
bool DriveBusy(DiskRun& run, bool ata) {
  if (ata) {
    std::uint8_t data[512];
    EXPECT_TRUE(dynamic_cast<rb::IdeDisk&>(run.Device()).SmartReadData(data));
    return data[363] >> 4 == 15;
  }
  std::uint8_t page[404] = {};
  dynamic_cast<rb::ScsiDisk&>(run.Device()).LogSense(0x50, 0, page, sizeof page);
  return (page[8] & 0x0F) == 15;
}

TEST(SelfTests, ExtendedSelfTestOfNinetyMinutesPassesWithItsTimeoutLinesAndFullProgress) {
  for (const bool ata : {false, true}) {
    DiskRun run("selfTestMinutes=\"90\"", ata);
    const char* test = ata ? "SelfTest" : "EOSTTest";
    const rb::XmlObject result = run.Run(test);
    EXPECT_EQ(result.GetAttribute("currentState"), "passed") << test << ErrorText(result);
    // The limit is 135 minutes; it is counted down as the minutes pass.
    const std::vector<std::string> captions = run.Captions();
    ASSERT_GE(captions.size(), 2u) << test;
    // SCSI polls every minute from a limit of 135; ATA every two from 136 (rounded up to even).
    EXPECT_EQ(captions[0], "Will timeout in 134 minutes") << test;
    EXPECT_EQ(captions[1], ata ? "Will timeout in 132 minutes" : "Will timeout in 133 minutes") << test;
    EXPECT_EQ(captions.back(), ata ? "Will timeout in 46 minutes" : "Will timeout in 45 minutes") << test;
    const std::vector<int> percentages = run.Percentages();
    // The first poll's caption still carries the 3 % of the start.
    EXPECT_TRUE(std::is_sorted(percentages.begin() + 1, percentages.end())) << test;
    EXPECT_EQ(percentages.back(), 100);
    EXPECT_TRUE(Contains(result.ToString(), "Test completed in 100% of the expected time"))
        << result.ToString();
    // 16 + 2 seconds of settling, then the self-test's 90 minutes and at most one polling interval.
    EXPECT_GE(run.simulatedMs, 18'000u + 90 * 60'000u) << test;
    EXPECT_LE(run.simulatedMs, 18'000u + 92 * 60'000u) << test;
    EXPECT_FALSE(DriveBusy(run, ata)) << test;
  }
}

TEST(SelfTests, PollingQuickensAtSeventyAndNinetyPercentAndShowsNinetyNineAndAHalfAsDone) {
  DiskRun run("selfTestMinutes=\"90\"");
  ASSERT_EQ(run.Run("EOSTTest").GetAttribute("currentState"), "passed");
  const std::vector<std::uint64_t>& polls = run.Watch().polls;
  ASSERT_GT(polls.size(), 2u);
  const std::uint64_t start = polls[0] - 60'000;
  std::uint64_t thirty = 0, ten = 0;
  for (std::size_t i = 1; i < polls.size(); ++i) {
    const std::uint64_t interval = polls[i] - polls[i - 1];
    if (interval == 30'000 && thirty == 0) thirty = polls[i - 1] - start;
    if (interval == 10'000 && ten == 0) ten = polls[i - 1] - start;
    if (thirty == 0) {
      EXPECT_EQ(interval, 60'000u) << "poll " << i;
    }
  }
  // The drive's indication at 63 and 81 minutes is a hair below 70 and 90 % (45875 and 58982 of
  // 65536), so the next minute's poll is the first at or above them.
  EXPECT_EQ(thirty, 64 * 60'000u);
  EXPECT_EQ(ten, 82 * 60'000u);
  // Minute 89 polls at 98.9, 99.1 to 99.4 and 99.6 to 99.8 percent.
  std::vector<int> shown;
  for (const rb::XmlObject& update : AnsweringHost::Taken("diagUpdate")) {
    const int percent = std::stoi(update.GetAttribute("percentComplete"));
    if (update.GetAttribute("OperationCaption") == "Will timeout in 46 minutes" &&
        std::find(shown.begin(), shown.end(), percent) == shown.end())
      shown.push_back(percent);
  }
  EXPECT_EQ(shown, (std::vector<int>{98, 99, 100}));
}

TEST(SelfTests, OutcomesOfTheDriveNameTheirCauseAndLeaveTheDriveIdle) {
  struct Case {
    const char* attributes;
    const char* state;
    const char* error;  // also the detail, where there is one
  };
  const Case cases[] = {
      {"selfTestMinutes=\"2\"", "passed", ""},
      {"selfTestMinutes=\"2\" selfTestResult=\"3\"", "failed",
       "A fatal error or unknown test error occurred while the hdd was executing the selftest routine"},
      {"selfTestMinutes=\"2\" selfTestResult=\"4\"", "failed", "test element that failed is not known."},
      {"selfTestMinutes=\"2\" selfTestResult=\"5\"", "failed", "the electrical element of the test failed."},
      {"selfTestMinutes=\"2\" selfTestResult=\"6\"", "failed", "the servo (and/or seek) test element"},
      {"selfTestMinutes=\"2\" selfTestResult=\"7\"", "failed", "the read element of the test failed."},
      {"selfTestMinutes=\"2\" selfTestRefused=\"1\"", "failed", "Device driver will not start test."},
  };
  for (const bool ata : {false, true}) {
    for (const Case& c : cases) {
      DiskRun run(c.attributes, ata);
      const char* test = ata ? "ShortSelfTest" : "SOSTTest";
      const rb::XmlObject result = run.Run(test);
      EXPECT_EQ(result.GetAttribute("currentState"), c.state) << test << " " << c.attributes;
      EXPECT_TRUE(Contains(ErrorText(result), c.error)) << test << " " << c.attributes << ErrorText(result);
      EXPECT_FALSE(DriveBusy(run, ata)) << test << " " << c.attributes;
    }
  }
}

TEST(SelfTests, ExpectedTimesBelowAMinuteOrMissingFailAndTheLimitIsHalfAsLongAgain) {
  struct Case {
    bool ata;
    const char* attributes;
    const char* detail;  // of "Selftest was aborted for taking too long"; empty: parameters unavailable
  };
  for (const Case& c : {
           Case{false, "selfTestSeconds=\"59\"", ""},
           Case{false, "noControlPage=\"1\"", ""},
           Case{true, "selfTestMinutes=\"0\"", ""},
           // A result the run does not take for an end keeps it polling until the limit.
           Case{false, "selfTestMinutes=\"2\" selfTestResult=\"9\"",
                "<br>Test time reported = 2<br>Abort time = 3<br>Percent Done = 50"},
           Case{false, "selfTestMinutes=\"10\" selfTestResult=\"14\"",
                "<br>Test time reported = 10<br>Abort time = 15<br>Percent Done = 94"},
           Case{true, "selfTestMinutes=\"2\" selfTestResult=\"8\"",
                "<br>Test time reported = 2<br>Abort time = 4<br>Percent Done = 100"},
           Case{true, "selfTestMinutes=\"10\" selfTestResult=\"12\"",
                "<br>Test time reported = 10<br>Abort time = 16<br>Percent Done = 100"},
           // An extended time of 255 minutes or more is the 16-bit field after the FFh in byte 373.
           Case{true, "selfTestMinutes=\"300\" selfTestResult=\"9\"",
                "<br>Test time reported = 300<br>Abort time = 450<br>Percent Done = 100"},
           // A self-test that never ends is aborted at the limit.
           Case{false, "selfTestMinutes=\"10\" selfTestHangs=\"1\"",
                "<br>Test time reported = 10<br>Abort time = 15<br>Percent Done = 50"},
           Case{true, "selfTestMinutes=\"10\" selfTestHangs=\"1\"",
                "<br>Test time reported = 10<br>Abort time = 16<br>Percent Done = 40"},
       }) {
    DiskRun run(c.attributes, c.ata);
    const char* test = c.ata ? "SelfTest" : "EOSTTest";
    const rb::XmlObject result = run.Run(test);
    EXPECT_EQ(result.GetAttribute("currentState"), "failed") << c.attributes;
    const std::string error = ErrorText(result);
    if (*c.detail == '\0') {
      EXPECT_TRUE(Contains(error, "Problem getting selftest parameters from hdd.")) << c.attributes << error;
      continue;
    }
    EXPECT_TRUE(Contains(error, "Selftest was aborted for taking too long to complete."))
        << c.attributes << error;
    EXPECT_TRUE(Contains(error, c.detail)) << c.attributes << error;
    EXPECT_FALSE(DriveBusy(run, c.ata)) << c.attributes;
  }
}

TEST(SelfTests, OperatorCancelEndsTheRunAndAbortsTheDrivesSelfTest) {
  for (const bool ata : {false, true}) {
    DiskRun run("selfTestMinutes=\"90\"", ata);
    const char* test = ata ? "SelfTest" : "EOSTTest";
    run.CancelAfter(30 * 60'000, test);
    const rb::XmlObject result = run.Run(test);
    EXPECT_EQ(result.GetAttribute("currentState"), "canceled") << test;
    EXPECT_TRUE(Contains(result.ToString(), "Test was aborted at 3")) << result.ToString();
    EXPECT_LT(run.simulatedMs, 32 * 60'000u) << test;
    EXPECT_EQ(run.Watch().diagnostics.back(), ata ? 127 : 0x80) << test;
    EXPECT_FALSE(DriveBusy(run, ata)) << test;
  }
}

TEST(SelfTests, DrivesWithoutSelfTestTimeOrSmartAreNotOfferedThem) {
  struct Case {
    bool ata;
    const char* attributes;
    std::vector<std::string> offered;  // of the family's tests
  };
  for (const Case& c : {
           Case{false,
                "",
                {"GrownDefectsTest", "scsidfltselftest", "scsismarterrtest", "SOSTTest", "EOSTTest"}},
           Case{false, "noControlPage=\"1\"", {"GrownDefectsTest", "scsidfltselftest", "scsismarterrtest"}},
           Case{
               false, "selfTestSeconds=\"59\"", {"GrownDefectsTest", "scsidfltselftest", "scsismarterrtest"}},
           Case{true, "", {"IdeSmartErrTest", "SelfTest", "ShortSelfTest"}},
           Case{true, "smart=\"0\"", {}},
       }) {
    DiskRun run(c.attributes, c.ata);
    rb::XmlObject element;
    run.Device().DescribeProperties(element, false);
    std::vector<std::string> offered;
    const std::vector<std::string> family = {"GrownDefectsTest", "scsidfltselftest", "scsismarterrtest",
                                             "SOSTTest",         "EOSTTest",         "IdeSmartErrTest",
                                             "SelfTest",         "ShortSelfTest"};
    for (const rb::XmlObject& child : element.Children()) {
      const std::string name = child.GetAttribute("name");
      if (child.Name() == "test" && std::find(family.begin(), family.end(), name) != family.end())
        offered.push_back(name);
    }
    EXPECT_EQ(offered, c.offered) << c.attributes;
  }
}

TEST(SelfTests, ASelfTestLeftRunningIsAbortedBeforeTheRunStartsItsOwn) {
  for (const bool ata : {false, true}) {
    DiskRun run("selfTestMinutes=\"10\"", ata);
    if (ata) {
      ASSERT_EQ(
          dynamic_cast<rb::IdeDisk&>(run.Device()).SmartCommand(win::SMART_EXECUTE_OFFLINE_IMMEDIATE, 2), 0u);
    } else {
      ASSERT_EQ(dynamic_cast<rb::ScsiDisk&>(run.Device()).SendDiagnostic(0x40), rb::kScsiGood);
    }
    const char* test = ata ? "ShortSelfTest" : "SOSTTest";
    const rb::XmlObject result = run.Run(test);
    EXPECT_EQ(result.GetAttribute("currentState"), "passed") << test << ErrorText(result);
    const std::vector<std::uint8_t> expected =
        ata ? std::vector<std::uint8_t>{2, 127, 1} : std::vector<std::uint8_t>{0x40, 0x80, 0x20};
    EXPECT_EQ(run.Watch().diagnostics, expected) << test;
    bool abortShown = false;
    for (const rb::XmlObject& update : AnsweringHost::Taken("diagUpdate"))
      abortShown = abortShown || update.GetAttribute("percentComplete") == "33";
    EXPECT_TRUE(abortShown) << test;
  }
}

TEST(SmartTests, PredictedFailuresFailAndHealthyDrivesPass) {
  struct Case {
    bool ata;
    const char* attributes;
    const char* test;
    const char* error;  // empty: passes
  };
  for (const Case& c : {
           Case{false, "", "scsismarterrtest", ""},
           Case{false, "smartTrip=\"1\"", "scsismarterrtest", "Firmware predicts imminent drive failure"},
           Case{false, "smartTrip=\"1\"", "SMARTCheckTest", "Firmware predicts imminent drive failure"},
           Case{false, "", "scsidfltselftest", ""},
           Case{false, "selfTestResult=\"5\"", "scsidfltselftest",
                "Firmware predicts imminent drive failure"},
           Case{true, "", "IdeSmartErrTest", ""},
           Case{true, "smartTrip=\"1\"", "IdeSmartErrTest", "Firmware predicts imminent drive failure"},
           Case{true, "", "SMARTCheckTest", ""},
           Case{true, "smartTrip=\"1\"", "SMARTCheckTest", "Firmware predicts imminent drive failure"},
           Case{true, "smart=\"0\"", "SMARTCheckTest", "Drive SMART Feature is not supported"},
       }) {
    DiskRun run(c.attributes, c.ata);
    const rb::XmlObject result = run.Run(c.test);
    EXPECT_EQ(result.GetAttribute("currentState"), *c.error ? "failed" : "passed")
        << c.test << " " << c.attributes;
    EXPECT_TRUE(Contains(ErrorText(result), c.error)) << c.test << " " << c.attributes << ErrorText(result);
  }
}

TEST(SmartTests, StatusCheckLeavesSmartOperationsOffWhenTheyWereOff) {
  DiskRun run("", true);
  auto& disk = dynamic_cast<rb::IdeDisk&>(run.Device());
  ASSERT_EQ(disk.SmartCommand(win::SMART_DISABLE_OPERATIONS, 0), 0u);
  const rb::XmlObject result = run.Run("IdeSmartErrTest");
  EXPECT_EQ(result.GetAttribute("currentState"), "passed") << ErrorText(result);
  std::uint8_t data[512];
  EXPECT_FALSE(disk.SmartReadData(data));  // a drive with SMART off refuses the data
}

TEST(GrownDefectsTests, CountBelowTheAllowedNumberPasses) {
  struct Case {
    int defects;
    const char* parameters;
    const char* state;
  };
  for (const Case& c : {
           Case{2, "", "passed"},
           Case{3, "", "failed"},
           Case{3, "GrownDefects='0'", "failed"},
           Case{4, "GrownDefects='5'", "passed"},
           Case{5, "GrownDefects='5'", "failed"},
       }) {
    DiskRun run("grownDefects=\"" + std::to_string(c.defects) + "\"");
    const rb::XmlObject result = run.Run("GrownDefectsTest", c.parameters);
    EXPECT_EQ(result.GetAttribute("currentState"), c.state) << c.defects << " " << c.parameters;
    if (std::string(c.state) == "failed") {
      EXPECT_TRUE(Contains(ErrorText(result), "Drive has more grown defects than allowed."))
          << ErrorText(result);
    }
  }
}

}  // namespace
