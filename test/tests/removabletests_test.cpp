// The optical, diskette and zip drives' tests run through the component on a simulated machine, the
// operator's answers (and, where a test waits for one, the operator's hands: taking a diskette out,
// putting it back) coming from the host's callback. Each test's pass and its main failures; the
// destructive ones write nothing before the operator agreed.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "devices/ata/idecdrom.h"
#include "devices/ata/idefloppy.h"
#include "devices/ata/idezipdrive.h"
#include "framework/runtestdoubles.h"
#include "framework/testfactory.h"
#include "platform/forwardingplatform.h"
#include "platform/os.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "platform/winapi.h"
#include "platform/winstorage.h"
#include "ravelbank/host.h"
#include "support/xmlobject.h"
#include "tests/removable/cdledtest.h"
#include "tests/removable/floppyledtest.h"

namespace {

using rbtest::AnsweringHost;

// Counts what changes a medium: optical WRITE(10) commands, diskette writes and track formats.
class WriteWatch : public rbtest::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;

  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override {
    if (code == win::IOCTL_SCSI_PASS_THROUGH && in != nullptr && inLength >= sizeof(win::ScsiPassThrough) &&
        static_cast<const win::ScsiPassThrough*>(in)->Cdb[0] == 0x2A)
      ++opticalWrites;
    if (code == win::IOCTL_DISK_FORMAT_TRACKS) ++formats;
    return ForwardingPlatform::DeviceIoControl(handle, code, in, inLength, out, outLength, returned);
  }
  bool WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) override {
    ++fileWrites;
    return ForwardingPlatform::WriteFile(handle, buffer, toWrite, written);
  }

  int opticalWrites = 0;
  int formats = 0;
  int fileWrites = 0;
};

// The LED tests with a count the test knows.
class ThreeBlinksCdLedTest : public rb::CdLedTest {
 protected:
  std::uint32_t Blinks() override { return 3; }
};
class TwoBlinksFloppyLedTest : public rb::FloppyLedTest {
 protected:
  std::uint32_t Blinks() override { return 2; }
};

// What the operator does on a prompt: the answer, and optionally an act on a drive first.
struct Act {
  const char* answer;
  const char* drive = nullptr;  // "\\.\Floppy0" …
  win::DWORD request = 0;       // IOCTL_STORAGE_EJECT_MEDIA or IOCTL_STORAGE_LOAD_MEDIA
};

// A machine with an ATAPI optical drive (\\.\CdRom0), a diskette drive (\\.\Floppy0) and a zip drive
// (\\.\PhysicalDrive0), as the component's devices "cdrom", "Diskette" and "zip" with all their tests.
class RemovableRun {
 public:
  RemovableRun(const std::string& optical, const std::string& floppy = "", const std::string& zip = "",
               const std::string& opticalChildren = "", const std::string& floppyChildren = "")
      : sim_(std::make_unique<os::SimPlatform>(dir_.Write(
            "machine.xml",
            "<machine><scsi><port number=\"0\">"
            "<optical target=\"0\" model=\"RB DVD-RW DRIVE\" firmware=\"1.0\" serial=\"CD1\" " +
                optical + ">" + opticalChildren +
                "</optical>"
                "<disk target=\"1\" vendor=\"RAVEL\" product=\"FLOPPY\" blocks=\"2880\" floppy=\"1\" " +
                floppy + ">" + floppyChildren +
                "</disk>"
                "<disk target=\"2\" model=\"IOMEGA ZIP 250 ATAPI\" firmware=\"51.G\" serial=\"\" zip=\"1\" "
                "removable=\"1\" blocks=\"489532\" " +
                zip + "/></port></scsi></machine>"))),
        installed_(std::make_unique<WriteWatch>(*sim_)) {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    Initialize("<options component='storage.so'/>");
    OruFree(SetCallback(&AnsweringHost::Callback));
    auto cdrom = std::make_unique<rb::IdeCdrom>("cdrom", false, "\\\\.\\CdRom0");
    // The USB variants share their names with the others: a drive of their own on the same path.
    auto usbCdrom = std::make_unique<rb::IdeCdrom>("usbCdrom", false, "\\\\.\\CdRom0");
    usbCdrom->AddTest(rb::MakeTest("CdromUsbTurTest"));
    usbCdrom->AddTest(rb::MakeTest("CdUsbNoMediaTest"));
    rb::ComponentInstance()->AddDevice(std::move(usbCdrom));
    for (const char* test : {"CdromTURTest", "CdNoMediaTest", "CDRemoveVerificationTest", "TrayTest",
                             "CdIntTest", "CdWRCTest", "CdromAccessTest"})
      cdrom->AddTest(rb::MakeTest(test));
    cdrom->AddTest(std::make_unique<ThreeBlinksCdLedTest>());
    auto diskette = std::make_unique<rb::IdeFloppy>("Diskette", false, "\\\\.\\Floppy0");
    for (const char* test : {"FloppyUWPTest", "FloppyRMTest", "FloppyWRCTest", "FloppyVerifyTest",
                             "FloppySoftErrorTest", "FloppyResetTest", "FloppyFormatTest"})
      diskette->AddTest(rb::MakeTest(test));
    diskette->AddTest(std::make_unique<TwoBlinksFloppyLedTest>());
    auto zipDrive = std::make_unique<rb::IdeZipDrive>("zip", false, "\\\\.\\PhysicalDrive0");
    zipDrive->AddTest(rb::MakeTest("ZipEjectTest"));
    rb::ComponentInstance()->AddDevice(std::move(cdrom));
    rb::ComponentInstance()->AddDevice(std::move(diskette));
    rb::ComponentInstance()->AddDevice(std::move(zipDrive));
  }
  ~RemovableRun() {
    Uninitialize(nullptr);
    AnsweringHost::Reset(nullptr);
    std::filesystem::current_path(previous_);
  }

  // Runs the test with its parameters, the operator acting as `acts` say, one per prompt (then
  // Cancel); records the prompts' texts.
  rb::XmlObject Run(const std::string& device, const std::string& test, std::vector<Act> acts,
                    const std::string& parameters = "") {
    auto queue = std::make_shared<std::deque<Act>>(acts.begin(), acts.end());
    answers_.clear();
    AnsweringHost::Reset([this, queue](const rb::XmlObject&) {
      if (queue->empty()) return "<promptAnswer value='Cancel'/>";
      const Act act = queue->front();
      queue->pop_front();
      if (act.drive != nullptr) Operate(act.drive, act.request);
      answers_.push_back(std::string("<promptAnswer value='") + act.answer + "'/>");
      return answers_.back().c_str();
    });
    char* result = ExecuteXMLCommand(
        ("<runTest device='" + device + "' test='" + test + "' retries='0' " + parameters + "/>").c_str());
    const rb::XmlObject parsed{std::string(result != nullptr ? result : "")};
    OruFree(result);
    prompts.clear();
    for (const rb::XmlObject& prompt : AnsweringHost::Taken("diagPrompt")) prompts.push_back(prompt.Text());
    return parsed;
  }
  // A removable-media request to a drive, as the operator's hands (or the drive's own button) would.
  static bool Operate(const char* drive, win::DWORD request) {
    os::Platform& system = os::Current();
    const win::HANDLE handle = system.CreateFile(
        drive, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
    if (handle == win::INVALID_HANDLE_VALUE) return false;
    win::DWORD returned = 0;
    const bool done = system.DeviceIoControl(handle, request, nullptr, 0, nullptr, 0, &returned);
    system.CloseHandle(handle);
    return done;
  }
  WriteWatch& Watch() { return static_cast<WriteWatch&>(installed_.Get()); }
  const rbtest::ScratchDir& Dir() const { return dir_; }

  std::vector<std::string> prompts;

 private:
  rbtest::ScratchDir dir_;
  std::unique_ptr<os::SimPlatform> sim_;
  rbtest::InstalledPlatform installed_;
  std::filesystem::path previous_;
  std::vector<std::string> answers_;
};

std::string State(const rb::XmlObject& result) {
  return result.GetAttribute("currentState", "error");
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Has(const rb::XmlObject& result, const std::string& text) {
  return result.ToString().find(text) != std::string::npos;
}

constexpr const char* kFloppy = "\\\\.\\Floppy0";
constexpr const char* kCdrom = "\\\\.\\CdRom0";

struct Case {
  const char* what;
  const char* device;
  const char* test;
  const char* optical;  // attributes of the optical drive
  const char* floppy;   // of the diskette drive
  std::vector<Act> acts;
  const char* state;  // "passed", "failed", or "error" for a failure raised out of the run
  const char* text;   // in the result
  std::size_t prompts;
  const char* parameters = "";
  const char* firstPrompt = "";
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemovableRun run(c.optical, c.floppy);
    const rb::XmlObject result = run.Run(c.device, c.test, c.acts, c.parameters);
    EXPECT_EQ(State(result), c.state) << result.ToString();
    EXPECT_TRUE(Has(result, c.text)) << c.text << "\n" << result.ToString();
    EXPECT_EQ(run.prompts.size(), c.prompts);
    if (*c.firstPrompt != '\0' && !run.prompts.empty()) {
      EXPECT_EQ(run.prompts[0].rfind(c.firstPrompt, 0), 0u) << run.prompts[0];
    }
  }
}

const Act kOk{"OK"};
const Act kYes{"Yes"};
const Act kNo{"No"};
const Act kCancel{"Cancel"};

TEST(RemovableMediaTests, ReadinessAndNoMediaChecksOfTheOpticalDrive) {
  RunCases({
      {"ready", "cdrom", "testUnitReadyTest", "medium=\"1\"", "", {}, "passed", "ready", 0},
      {"empty", "cdrom", "testUnitReadyTest", "", "", {}, "failed", "Unit is not ready", 0},
      {"tray open",
       "cdrom",
       "testUnitReadyTest",
       "medium=\"1\" tray=\"open\"",
       "",
       {},
       "failed",
       "Unit is not ready",
       0},
      {"will not spin up",
       "cdrom",
       "testUnitReadyTest",
       "medium=\"1\" noSpinUp=\"1\"",
       "",
       {},
       "failed",
       "Unit is not ready",
       0},
      {"empty, no media", "cdrom", "cdNoMediaPresentTest", "", "", {}, "passed", "No media", 0},
      {"disc in",
       "cdrom",
       "cdNoMediaPresentTest",
       "medium=\"1\"",
       "",
       {},
       "failed",
       "Check for no media test fails, media is installed",
       0},
      // The USB variants ask the operator first.
      {"USB, empty: asks for a disc",
       "usbCdrom",
       "testUnitReadyTest",
       "",
       "",
       {kOk},
       "failed",
       "Unit is not ready",
       1,
       "",
       "There is no media in the drive. Please insert media"},
      {"USB, ready: no question",
       "usbCdrom",
       "testUnitReadyTest",
       "medium=\"1\"",
       "",
       {},
       "passed",
       "ready",
       0},
      {"USB, disc in: taken out on the open tray",
       "usbCdrom",
       "cdNoMediaPresentTest",
       "medium=\"1\"",
       "",
       {kOk},
       "passed",
       "No media",
       1,
       "",
       "There is media in the drive. Please remove the media"},
      {"USB, a drive that misses the change",
       "usbCdrom",
       "cdNoMediaPresentTest",
       "medium=\"1\" unreportedChange=\"1\"",
       "",
       {kOk},
       "failed",
       "Check for no media test fails, media is installed",
       1},
      {"USB, canceled",
       "usbCdrom",
       "cdNoMediaPresentTest",
       "medium=\"1\"",
       "",
       {kCancel},
       "error",
       "Test canceled by the operator",
       1},
  });
}

TEST(RemovableMediaTests, TrayAndRemovalChecksFollowTheTrayAndTheOperator) {
  const std::string ejectRefused = R"(<fault opcode="0x1B" sense="4" asc="0x53" ascq="0"/>)";
  RunCases({
      {"the tray moved",
       "cdrom",
       "trayTest",
       "medium=\"1\"",
       "",
       {kOk, kYes},
       "passed",
       "opened and closed",
       2,
       "",
       "Remove the media from the drive and press OK"},
      {"the operator saw nothing",
       "cdrom",
       "trayTest",
       "medium=\"1\"",
       "",
       {kOk, kNo},
       "failed",
       "Tray could not be ejected",
       2},
      {"canceled at the question",
       "cdrom",
       "trayTest",
       "medium=\"1\"",
       "",
       {kOk, kCancel},
       "error",
       "Test canceled by the operator",
       2},
      {"removal noticed",
       "cdrom",
       "cdRemoveTest",
       "medium=\"1\"",
       "",
       {kOk},
       "passed",
       "removed",
       1,
       "",
       "Remove the media from the drive and press OK"},
      {"removal missed",
       "cdrom",
       "cdRemoveTest",
       "medium=\"1\" unreportedChange=\"1\"",
       "",
       {kOk},
       "failed",
       "Optical media change not detected",
       1},
      {"removal missed, tolerated",
       "cdrom",
       "cdRemoveTest",
       "medium=\"1\" unreportedChange=\"1\"",
       "",
       {kOk},
       "passed",
       "still reports",
       1,
       "RemovedElseFail='0'"},
      {"a custom prompt",
       "cdrom",
       "cdRemoveTest",
       "medium=\"1\"",
       "",
       {kOk},
       "passed",
       "removed",
       1,
       "CustomPrompt='Take the disc out'",
       "Take the disc out"},
  });
  // A refused eject fails before the question.
  RemovableRun run("medium=\"1\"", "", "", ejectRefused);
  const rb::XmlObject result = run.Run("cdrom", "trayTest", {kOk, kYes});
  EXPECT_EQ(State(result), "failed");
  EXPECT_TRUE(Has(result, "Tray could not be ejected")) << result.ToString();
  EXPECT_EQ(run.prompts.size(), 1u);
}

TEST(RemovableMediaTests, DmaCheckReadsTheSelectedModesOfTheIdentifyData) {
  RunCases({
      {"Ultra DMA", "cdrom", "CdIntTest", "udma=\"4\"", "", {}, "passed", "Ultra DMA mode 4", 0},
      {"PIO",
       "cdrom",
       "CdIntTest",
       "pio=\"1\"",
       "",
       {},
       "failed",
       "Optical drive Ultra-DMA/DMA interrupt test failed.",
       0},
      {"no identify",
       "cdrom",
       "CdIntTest",
       "noIdentify=\"1\"",
       "",
       {},
       "failed",
       "Optical drive Ultra-DMA/DMA interrupt information not reported.",
       0},
  });
}

TEST(RemovableMediaTests, LedChecksCompareTheOperatorsCount) {
  RunCases({
      {"optical, right count",
       "cdrom",
       "CdLedTest",
       "medium=\"1\"",
       "",
       {kOk, Act{"3"}},
       "passed",
       "counted",
       2,
       "",
       "Press OK and count how many times the DVD / CD LED remains ON solid."},
      {"optical, no blinks seen",
       "cdrom",
       "CdLedTest",
       "medium=\"1\"",
       "",
       {kOk, Act{"No Blinks"}},
       "failed",
       "Optical drive LED test failed.",
       2},
      {"optical, will not spin up",
       "cdrom",
       "CdLedTest",
       "medium=\"1\" noSpinUp=\"1\"",
       "",
       {kOk, Act{"3"}},
       "failed",
       "Optical drive LED test unable to spinup drive.",
       0},
      {"diskette, right count",
       "Diskette",
       "floppyLEDTest",
       "",
       "",
       {kOk, Act{"2"}},
       "passed",
       "counted",
       2,
       "",
       "Press OK and count how many times the diskette LED remains ON solid.  (Ignore short blinks)"},
      {"diskette, wrong count",
       "Diskette",
       "floppyLEDTest",
       "",
       "",
       {kOk, Act{"5"}},
       "failed",
       "Floppy drive LED test failed.",
       2},
  });
}

TEST(RemovableMediaTests, OpticalWriteReadCompareWritesOnlyRecordableDiscsAfterConsent) {
  struct WrcCase {
    const char* what;
    const char* optical;
    std::vector<Act> acts;
    const char* state;
    const char* text;
    int writes;
  };
  for (const WrcCase& c : std::vector<WrcCase>{
           {"a blank disc",
            "medium=\"1\" media=\"blank\"",
            {kOk},
            "passed",
            "Wrote, read and compared blocks 0-15",
            1},
           {"a written disc",
            "medium=\"1\" media=\"written\" blocks=\"1000\"",
            {kOk},
            "passed",
            "Wrote, read and compared blocks 500-515",
            1},
           {"the operator declines",
            "medium=\"1\" media=\"blank\"",
            {kCancel},
            "error",
            "Test canceled by the operator",
            0},
           {"write-protected",
            "medium=\"1\" media=\"blank\" writeProtect=\"1\"",
            {kOk},
            "failed",
            "Incorrect or missing media",
            0},
           {"no disc", "", {kOk}, "failed", "Incorrect or missing media", 0},
           // A pressed disc refuses the write; the operator gives up.
           {"a pressed disc",
            "medium=\"1\"",
            {kOk, Act{"No, go ahead and fail this test."}},
            "failed",
            "Multi-Media physical write command failed",
            1},
           // A full disc, retried until the test gives up.
           {"a full disc",
            "medium=\"1\" media=\"full\"",
            {kOk, Act{"Yes, retry with new/erased media."}, Act{"Yes, retry with new/erased media."}},
            "failed",
            "Multi-Media physical write command failed",
            3},
       }) {
    SCOPED_TRACE(c.what);
    RemovableRun run(c.optical);
    const rb::XmlObject result = run.Run("cdrom", "cdWriteReadCompareTest", c.acts);
    EXPECT_EQ(State(result), c.state) << result.ToString();
    EXPECT_TRUE(Has(result, c.text)) << c.text << "\n" << result.ToString();
    EXPECT_EQ(run.Watch().opticalWrites, c.writes);
  }
}

TEST(RemovableMediaTests, OpticalAccessTestChecksTheDiscKindAndWritesItsResultFile) {
  RemovableRun run("medium=\"1\" disc=\"cd\"");
  rb::XmlObject result =
      run.Run("cdrom", "CdromAccessTest", {}, "blockCount='256' VerifyTypeOfMedia='1' TypeOfMedia='DVD'");
  EXPECT_EQ(State(result), "error");
  EXPECT_TRUE(Has(result, "Incorrect or missing media")) << result.ToString();
  EXPECT_NE(Slurp(run.Dir().Path() + "/result.xml").find("state=\"failed\""), std::string::npos);

  result = run.Run("cdrom", "CdromAccessTest", {kOk},
                   "blockCount='256' VerifyTypeOfMedia='1' TypeOfMedia='CD' RemoveMedia='1'");
  EXPECT_EQ(State(result), "passed") << result.ToString();
  ASSERT_EQ(run.prompts.size(), 1u);
  EXPECT_EQ(run.prompts[0].rfind("Remove the media from the drive and press OK", 0), 0u) << run.prompts[0];
  EXPECT_NE(Slurp(run.Dir().Path() + "/result.xml").find("state=\"passed\""), std::string::npos);
  // The disc went out with the tray: the next run asks for one, and Cancel fails it.
  result = run.Run("cdrom", "CdromAccessTest", {kCancel}, "blockCount='256'");
  EXPECT_TRUE(Has(result, "Unit not ready")) << result.ToString();
}

TEST(RemovableMediaTests, DisketteChecksOfWriteProtectRemovalAndReset) {
  const Act removes{"OK", kFloppy, win::IOCTL_STORAGE_EJECT_MEDIA};
  const Act inserts{"OK", kFloppy, win::IOCTL_STORAGE_LOAD_MEDIA};
  RunCases({
      {"writable",
       "Diskette",
       "floppyUWriteProtectTest",
       "",
       "",
       {kOk},
       "passed",
       "writable",
       1,
       "",
       "Unwrite protect the floppy and click [OK]"},
      {"write-protected",
       "Diskette",
       "floppyUWriteProtectTest",
       "",
       "writeProtect=\"1\"",
       {kOk},
       "failed",
       "Unwrite protected media not found",
       1},
      {"no diskette",
       "Diskette",
       "floppyUWriteProtectTest",
       "",
       "",
       {removes},
       "error",
       "Media not present in drive",
       1},
      {"removal noticed",
       "Diskette",
       "floppyRemoveTest",
       "",
       "",
       {removes, inserts},
       "passed",
       "removed",
       2,
       "",
       "Remove Floppy and click [OK]"},
      {"removal missed",
       "Diskette",
       "floppyRemoveTest",
       "",
       "",
       {kOk, kOk},
       "failed",
       "Disk change not detected",
       2},
      {"reset", "Diskette", "FloppyResetTest", "", "", {}, "passed", "reset", 0},
  });
}

TEST(RemovableMediaTests, DisketteWriteAndFormatTestsAreDestructiveOnlyAfterConsent) {
  const std::string corrupt = R"(<fault kind="corrupt" opcode="0x88" lba="20" byte="3"/>)";
  struct WriteCase {
    const char* what;
    const char* test;
    const char* floppy;
    std::string children;
    Act act;
    const char* parameters;
    const char* state;
    const char* text;
    bool wrote;
  };
  for (const WriteCase& c : std::vector<WriteCase>{
           {"pattern written and compared", "floppyWRCTest", "", "", kOk,
            "Pattern='5A' StartTrack='0' EndTrack='2'", "passed", "Wrote pattern 5A to tracks 0-2", true},
           {"a track reads back changed", "floppyWRCTest", "", corrupt, kOk, "StartTrack='0' EndTrack='2'",
            "failed", "Did not match data pattern", true},
           {"write-protected", "floppyWRCTest", "writeProtect=\"1\"", "", kOk, "", "error",
            "Unwrite protected media not found", false},
           {"declined", "floppyWRCTest", "", "", kCancel, "", "error", "Test canceled by the operator",
            false},
           {"a bad pattern", "floppyWRCTest", "", "", kOk, "Pattern='XYZ'", "error", "Invalid parameter list",
            false},
           {"formatted and read back", "FloppyFormatTest", "", "", kOk,
            "StartTrack='0' EndTrack='3' Complete='1'", "passed", "Formatted cylinders 0-3", true},
           {"format refused", "FloppyFormatTest", "writeProtect=\"1\"", "", kOk, "", "error",
            "Unwrite protected media not found", false},
           {"format declined", "FloppyFormatTest", "", "", kCancel, "", "error",
            "Test canceled by the operator", false},
       }) {
    SCOPED_TRACE(c.what);
    RemovableRun run("", c.floppy, "", "", c.children);
    const rb::XmlObject result = run.Run("Diskette", c.test, {c.act}, c.parameters);
    EXPECT_EQ(State(result), c.state) << result.ToString();
    EXPECT_TRUE(Has(result, c.text)) << c.text << "\n" << result.ToString();
    EXPECT_EQ(run.Watch().fileWrites + run.Watch().formats > 0, c.wrote);
  }
  // A format leaves F6h in the sectors and a boot sector at block 0.
  RemovableRun run("");
  ASSERT_EQ(State(run.Run("Diskette", "FloppyFormatTest", {kOk}, "StartTrack='0' EndTrack='1'")), "passed");
  EXPECT_EQ(run.Watch().formats, 2);
}

TEST(RemovableMediaTests, DisketteReadTestsCountSoftErrorsAndNameTheFailedSector) {
  const std::string onceBad =
      R"(<fault opcode="0x88" lba="36" count="1" sense="3" asc="0x11" ascq="0" times="1"/>)";
  const std::string alwaysBad = R"(<fault opcode="0x88" lba="40" count="1" sense="3" asc="0x11" ascq="0"/>)";
  struct ReadCase {
    const char* what;
    const char* test;
    std::string children;
    const char* parameters;
    const char* state;
    const char* text;
  };
  for (const ReadCase& c : std::vector<ReadCase>{
           {"verify", "FloppyVerifyTest", "", "StartingBlock='0' BlockCount='100'", "passed",
            "Verified blocks 0-99"},
           {"verify, a bad block", "FloppyVerifyTest", alwaysBad, "", "failed", "Floppy Verify Test Error"},
           {"verify, beyond the diskette", "FloppyVerifyTest", "", "StartingBlock='2879' BlockCount='5'",
            "passed", "Verified blocks 2879-2879"},
           {"a soft error is tolerated", "FloppySoftErrorTest", onceBad, "", "passed", "Soft errors: 1"},
           {"a soft error over the limit", "FloppySoftErrorTest", onceBad, "SoftErrorCount='0'", "failed",
            "Floppy disk read failed"},
           // Block 40 is cylinder 1, head 0, sector 5.
           {"a hard error", "FloppySoftErrorTest", alwaysBad, "", "failed",
            "Floppy Read Error: Track 1 Head 0 Sector 5"},
           {"part of the diskette", "FloppySoftErrorTest", alwaysBad, "PercentCoverage='1'", "passed",
            "Soft errors: 0"},
       }) {
    SCOPED_TRACE(c.what);
    RemovableRun run("", "", "", "", c.children);
    const rb::XmlObject result = run.Run("Diskette", c.test, {}, c.parameters);
    EXPECT_EQ(State(result), c.state) << result.ToString();
    EXPECT_TRUE(Has(result, c.text)) << c.text << "\n" << result.ToString();
  }
}

TEST(RemovableMediaTests, ZipEjectAsksForADiskAndWhetherItCameOut) {
  const Act takesDiskOut{"OK", "\\\\.\\PhysicalDrive0", win::IOCTL_STORAGE_EJECT_MEDIA};
  RunCases({
      {"ejected",
       "zip",
       "ZipEjectTest",
       "",
       "",
       {kOk, kYes},
       "passed",
       "ejected",
       2,
       "",
       "Please ensure that the zip drive contains a zip disk and press OK"},
      {"stuck", "zip", "ZipEjectTest", "", "", {kOk, kNo}, "failed", "Zip disk could not be ejected", 2},
      {"no disk", "zip", "ZipEjectTest", "", "", {takesDiskOut}, "failed", "Unit not ready", 1},
      {"canceled", "zip", "ZipEjectTest", "", "", {kCancel}, "error", "Test canceled by the operator", 1},
  });
}

}  // namespace

namespace {

// The tests that write a medium say so in their catalog elements; the others do not.
TEST(RemovableMediaTests, OnlyTheWritingTestsAreFlaggedDestructive) {
  for (const char* test :
       {"CdromTURTest", "CdromUsbTurTest", "CdNoMediaTest", "CdUsbNoMediaTest", "CDRemoveVerificationTest",
        "TrayTest", "CdIntTest", "CdLedTest", "CdWRCTest", "CdromAccessTest", "FloppyUWPTest", "FloppyRMTest",
        "FloppyWRCTest", "FloppyVerifyTest", "FloppySoftErrorTest", "FloppyResetTest", "FloppyLedTest",
        "FloppyFormatTest", "ZipEjectTest"}) {
    const std::string name = test;
    const bool writes = name == "CdWRCTest" || name == "FloppyWRCTest" || name == "FloppyFormatTest";
    const std::unique_ptr<rb::Test> made = rb::MakeTest(test);
    ASSERT_NE(made, nullptr) << test;
    EXPECT_EQ(made->Describe().GetAttribute("destructive"), writes ? "1" : "0") << test;
  }
}

}  // namespace
