// The historical check of an array disk: its verdicts, notes, flags and files, judged from the logs a
// scripted drive hands it, and one run through the command dispatcher.
#include "component/diskdiagnosis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "framework/device.h"
#include "framework/ptstream.h"
#include "framework/testdoubles.h"
#include "platform/scratchdir.h"
#include "ravelbank/host.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

constexpr const char* kFailedNote = "Failed: Diagnosis: Lucerna Diagnostics Note";
constexpr const char* kAclNote = "Failed to write to Application Client Log";

// A drive whose logs the test writes; by default every log is readable and clean.
class ScriptedDrive : public Device, public DiskLogReader {
 public:
  explicit ScriptedDrive(std::string name) : Device(std::move(name), false) {
    description.description = "146 GB SAS Hard Drive";
    description.firmware = "HPD4";
    description.serialNumber = {DriveSerialNumber::State::kKnown, "  3LM0ABCD  "};
    description.controllerDescription = "Array Controller";
    description.controllerSerialNumber = {DriveSerialNumber::State::kKnown, "P61620"};
    description.controllerSlot = 3;
    description.scsiBus = 1;
    description.scsiId = 5;
  }

  DriveDescription description;
  std::vector<DriveRecord> records{{true, 0x00, 1000}};
  std::optional<SmartFindings> smart = SmartFindings{};
  std::optional<DstFindings> dst = DstFindings{};
  std::optional<PerformanceFindings> performance = PerformanceFindings{};
  std::optional<std::vector<ScsiErrorLogEntry>> errorLog = std::vector<ScsiErrorLogEntry>{};
  bool amber = false;
  std::optional<std::string> acl = std::string("ACL\0\xff\x01log", 9);
  // Every log read raises, as a failing controller command does.
  bool commandsFail = false;
  std::vector<std::string> actions;

  DriveDescription DescribeDrive() override { return description; }
  std::vector<DriveRecord> ReadDriveRecords() override { return Answer(records); }
  std::optional<SmartFindings> ReadSmartLogs() override { return Answer(smart); }
  std::optional<DstFindings> ReadDstLogs() override { return Answer(dst); }
  std::optional<PerformanceFindings> ReadPerformanceLogs() override { return Answer(performance); }
  std::optional<std::vector<ScsiErrorLogEntry>> ReadScsiErrorLogs() override { return Answer(errorLog); }
  bool AmberLightOn() override { return amber; }
  std::optional<std::string> ReadApplicationClientLog() override { return Answer(acl); }

  void Action(const XmlObject& command) override { actions.push_back(command.GetAttribute("subDevice")); }
  void DescribeProperties(XmlObject&, bool) override {}
  std::string StreamableName() const override { return "ScriptedDrive"; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScriptedDrive>(""); }

 private:
  template <class T>
  T Answer(const T& value) const {
    if (commandsFail) throw OruError("Controller command failed", Name());
    return value;
  }
};

// Runs the test in a fresh current directory and goes back to the previous one afterwards.
class InScratchDirectory : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::current_path(scratch_.Path()); }
  void TearDown() override { std::filesystem::current_path(previous_); }

  static std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.Path()))
      names.insert(entry.path().filename().string());
    return names;
  }

 private:
  const std::filesystem::path previous_ = std::filesystem::current_path();
  rbtest::ScratchDir scratch_;
};

using DiskDiagnosisRun = InScratchDirectory;

XmlObject Diagnose(ScriptedDrive& drive) {
  DiskDiagnosis diagnosis(&drive);
  return diagnosis.Run(XmlObject("<runDiagnosis/>"));
}

std::vector<std::string> Attributes(const XmlObject& result, const char* element, const char* attribute) {
  std::vector<std::string> values;
  for (const XmlObject* child : result.GetChildren(element)) values.push_back(child->GetAttribute(attribute));
  return values;
}

TEST_F(DiskDiagnosisRun, VerdictTable) {
  using Notes = std::vector<std::string>;
  struct Case {
    std::string what;
    std::function<void(ScriptedDrive&)> setup;
    const char* state;
    Notes notes;
    const char* page;
  };
  const auto amberWithReason = [](std::uint8_t reason) {
    return [reason](ScriptedDrive& d) {
      d.amber = true;
      d.records = {{true, 0x00, 5}, {true, reason, 9}};  // the last entry's reason stands
    };
  };
  const Notes unsure{"Further troubleshooting required."};
  std::vector<Case> cases = {
      {"all logs pass, amber off", [](ScriptedDrive&) {}, "passed", {}, "ravelbank.hddpass.htm"},
      {"amber on, reason 0x05", amberWithReason(0x05), "passed", {}, "ravelbank.hddpassamber.htm"},
      {"amber on, earlier entry 0x15 then 0x00",
       [](ScriptedDrive& d) {
         d.amber = true;
         d.records = {{true, 0x15, 5}, {true, 0x00, 9}};
       },
       "passed",
       {},
       "ravelbank.hddpassamber.htm"},
      {"amber on, not in the physical configuration",
       [](ScriptedDrive& d) {
         d.amber = true;
         d.records = {{false, 0x00, 9}};
       },
       "unavailable", unsure, "ravelbank.hddunknownamber.htm"},
      {"amber on, controller lists nothing",
       [](ScriptedDrive& d) {
         d.amber = true;
         d.records.clear();
       },
       "unavailable", unsure, "ravelbank.hddunknownamber.htm"},
      {"controller SMART error",
       [](ScriptedDrive& d) { d.smart->controllerReportedError = true; },
       "failed",
       {"Controller has reported a SMART error on this drive", kFailedNote},
       "ravelbank.hddfail.htm"},
      {"drive SMART error, amber on",
       [](ScriptedDrive& d) {
         d.smart->driveReportedError = true;
         d.amber = true;
       },
       "failed",
       {"Drive has reported a SMART error", kFailedNote},
       "ravelbank.hddfail.htm"},
      {"DST error",
       [](ScriptedDrive& d) { d.dst->selfTestError = true; },
       "failed",
       {"Drive has reported a DST error", kFailedNote},
       "ravelbank.hddfail.htm"},
      {"critical performance threshold",
       [](ScriptedDrive& d) { d.performance->criticalThresholdError = true; },
       "failed",
       {"Controller has reported a critical performance threshold error on this drive", kFailedNote},
       "ravelbank.hddfail.htm"},
      {"hardware error in the SCSI error log",
       [](ScriptedDrive& d) {
         d.errorLog->push_back({});
         d.errorLog->back().senseKey = 0xE4;  // flag bits above the sense key do not hide it
       },
       "failed",
       {kFailedNote},
       "ravelbank.hddfail.htm"},
      {"aborted commands and transport errors only",
       [](ScriptedDrive& d) {
         d.errorLog->resize(2);
         d.errorLog->at(0).senseKey = 0x0B;
         d.errorLog->at(1).camStatus = 0x04;
         d.performance->abortedCommandFailures = true;
       },
       "passed",
       {},
       "ravelbank.hddpass.htm"},
      {"every log read fails",
       [](ScriptedDrive& d) {
         d.smart.reset();
         d.dst.reset();
         d.performance.reset();
         d.errorLog.reset();
         d.acl.reset();
       },
       "failed",
       {"Failed to retrieve SMART logs", "Failed to retrieve DST logs", "Failed to retrieve M&P logs",
        "Failed to retrieve SCSI Error logs", kFailedNote, kAclNote},
       "ravelbank.hddfail.htm"},
      {"every controller command raises",
       [](ScriptedDrive& d) { d.commandsFail = true; },
       "failed",
       {"Failed to retrieve SMART logs", "Failed to retrieve DST logs", "Failed to retrieve M&P logs",
        "Failed to retrieve SCSI Error logs", kFailedNote, kAclNote},
       "ravelbank.hddfail.htm"},
  };
  for (std::uint8_t reason : {0x04, 0x07, 0x0E, 0x15, 0x16, 0x17})
    cases.push_back({"amber on, reason " + std::to_string(reason), amberWithReason(reason), "unavailable",
                     unsure, "ravelbank.hddunknownamber.htm"});

  for (const Case& c : cases) {
    ScriptedDrive drive("disk7");
    c.setup(drive);
    const XmlObject result = Diagnose(drive);
    EXPECT_EQ(result.GetAttribute("currentState"), c.state) << c.what;
    EXPECT_EQ(Attributes(result, "info", "caption"), c.notes) << c.what;
    EXPECT_EQ(Attributes(result, "formattedTextFile", "filename"), std::vector<std::string>{c.page})
        << c.what;
    const std::vector<const XmlObject*> actions = result.GetChildren("deviceAction");
    if (c.state != std::string("failed")) {
      EXPECT_TRUE(actions.empty()) << c.what;
      continue;
    }
    ASSERT_EQ(actions.size(), 1u) << c.what;
    EXPECT_EQ(actions[0]->GetAttribute("caption"), "Identify Drive");
    EXPECT_EQ(actions[0]->GetAttribute("device"), "disk7");
    EXPECT_EQ(actions[0]->GetAttribute("subDevice"), "FlashLED");
    EXPECT_EQ(Attributes(*actions[0], "formattedTextFile", "filename"),
              std::vector<std::string>{"ravelbank.hddidentifydrive.htm"});
  }
}

TEST_F(DiskDiagnosisRun, FlagsText) {
  const struct {
    std::function<void(ScriptedDrive&)> setup;
    std::uint8_t firstByte;
    std::uint8_t secondByte;
    const char* text;
  } cases[] = {
      {[](ScriptedDrive&) {}, 0xFF, 0x3F,
       "diagnosisComplete: 1,  smartLogsAvailable: 1,  smartLogsPass: 1,  dstLogsAvailable: 1,  dstLogsPass: "
       "1,  "
       "mpLogsAvailable: 1,  mpLogsPass: 1,  mpAbortedCommandFailuresPass: 1,  errorLogsAvailable: 1,  "
       "errorLogsPass: 1,  errorLog04Pass: 1,  errorLog0BPass: 1,  errorLogCAMPass: 1,  "
       "physicalConfigurationAvailable: 1,  smartTripped: 0,  amberLightOn: 0,  lastFailureReason: 0x00,  "
       "timeStamp: 1000"},
      {[](ScriptedDrive& d) {
         d.smart.reset();
         d.dst->selfTestError = true;
         d.performance->abortedCommandFailures = true;
         d.errorLog->resize(2);
         d.errorLog->at(0).senseKey = 0x0B;
         d.errorLog->at(1).camStatus = 0x01;
         d.records = {{true, 0x15, 4000000000u}};
         d.amber = true;
       },
       0x69, 0xA5,
       "diagnosisComplete: 1,  smartLogsAvailable: 0,  smartLogsPass: 0,  dstLogsAvailable: 1,  dstLogsPass: "
       "0,  "
       "mpLogsAvailable: 1,  mpLogsPass: 1,  mpAbortedCommandFailuresPass: 0,  errorLogsAvailable: 1,  "
       "errorLogsPass: 0,  errorLog04Pass: 1,  errorLog0BPass: 0,  errorLogCAMPass: 0,  "
       "physicalConfigurationAvailable: 1,  smartTripped: 0,  amberLightOn: 1,  lastFailureReason: 0x15,  "
       "timeStamp: 4000000000"},
      {[](ScriptedDrive& d) { d.smart->driveReportedError = true; }, 0xFB, 0x7F, nullptr},
  };
  for (const auto& c : cases) {
    ScriptedDrive drive("disk7");
    c.setup(drive);
    DiskDiagnosis diagnosis(&drive);
    const XmlObject result = diagnosis.Run(XmlObject("<runDiagnosis/>"));
    EXPECT_EQ(diagnosis.Flags().FirstByte(), c.firstByte);
    EXPECT_EQ(diagnosis.Flags().SecondByte(), c.secondByte);
    if (c.text != nullptr) {
      EXPECT_EQ(result.GetAttribute("DiskDiagnosisFlags"), c.text);
    }
  }
}

TEST_F(DiskDiagnosisRun, CaptionAndSerialNumbers) {
  ScriptedDrive online("disk7");
  XmlObject result = Diagnose(online);
  EXPECT_EQ(result.GetAttribute("caption"),
            "146 GB SAS Hard Drive, Controller Slot 3, SCSI Bus 1, SCSI ID 5. Firmware Revision: HPD4. "
            "Array Controller 3");
  EXPECT_EQ(result.GetPropertyValue("SerialNumber"), "3LM0ABCD");
  EXPECT_EQ(result.GetPropertyValue("ControllerSerialNumber"), "P61620");

  ScriptedDrive offline("disk8");
  offline.description.offline = true;
  offline.description.serialNumber = {DriveSerialNumber::State::kNotYetAvailable, "stale"};
  offline.description.controllerSerialNumber = {DriveSerialNumber::State::kNotApplicable, ""};
  result = Diagnose(offline);
  EXPECT_EQ(result.GetAttribute("caption").rfind("Offline Physical Hard Drive, Controller Slot 3,", 0), 0u);
  EXPECT_EQ(result.GetPropertyValue("SerialNumber"), "NOT YET AVAILABLE");
  EXPECT_EQ(result.GetPropertyValue("ControllerSerialNumber"), "Not applicable");
  EXPECT_TRUE(Files().count("ddacllog.disk8.bin"));  // no serial: named after the device
}

TEST_F(DiskDiagnosisRun, WritesResultErrorLogAndClientLogAndReplacesThem) {
  ScriptedDrive drive("disk7");
  ScsiErrorLogEntry entry{4660, 0x02, 0x00, 0x03, 0x11, 0x00, 123456, 86400, 0xDEADBEEF};
  drive.errorLog = std::vector<ScsiErrorLogEntry>{entry, {}};
  XmlObject result = Diagnose(drive);

  EXPECT_EQ(Files(),
            (std::set<std::string>{"ddlast.xml", "scsierrorlast.3LM0ABCD.xml", "ddacllog.3LM0ABCD.bin"}));
  result.RemoveAttribute("testTime");  // set after the file is written
  EXPECT_EQ(XmlObject(ReadFile("ddlast.xml")).ToString(), result.ToString());
  const XmlObject logs(ReadFile("scsierrorlast.3LM0ABCD.xml"));
  EXPECT_EQ(logs.Name(), "scsiErrorLogs");
  ASSERT_EQ(logs.Children().size(), 2u);
  EXPECT_EQ(
      XmlObject(logs.Children()[0]).ToString(),  // a copy is written without the file's indentation
      "<errorLogEntry currentServiceTime=\"4660\" SCSIStat=\"0x02\" CAMStat=\"0x00\" SenseKey=\"0x03\" "
      "SenseCode=\"0x11\" Qual=\"0x00\" Block-Vl=\"0x0001E240\" Time=\"86400\" Info=\"0xDEADBEEF\"/>\n");
  EXPECT_EQ(ReadFile("ddacllog.3LM0ABCD.bin"), std::string("ACL\0\xff\x01log", 9));

  drive.acl = std::string("new", 3);
  drive.errorLog->clear();
  drive.dst->selfTestError = true;
  result = Diagnose(drive);
  EXPECT_EQ(ReadFile("ddacllog.3LM0ABCD.bin"), "new");
  EXPECT_TRUE(XmlObject(ReadFile("scsierrorlast.3LM0ABCD.xml")).Children().empty());
  EXPECT_EQ(XmlObject(ReadFile("ddlast.xml")).GetAttribute("currentState"), "failed");
  EXPECT_EQ(Files().size(), 3u);
}

// Serial numbers are the drive's text; the file names made from them stay in the current directory.
TEST_F(DiskDiagnosisRun, HostileSerialNumbersStayInTheCurrentDirectory) {
  const struct {
    const char* serial;
    std::string fileId;
  } cases[] = {
      {"../../etc/x", "______etc_x"},
      {"a\\b", "a_b"},
      {"C:x", "C_x"},
      {"..", "__"},
      {"\\\\.\\PhysicalDrive0", "____PhysicalDrive0"},
      {"nul\x01 *?\xe9", "nul_____"},
      {"   ", "disk7"},  // blank: the device name
  };
  for (const auto& c : cases) {
    ScriptedDrive drive("disk7");
    drive.description.serialNumber = {DriveSerialNumber::State::kKnown, c.serial};
    const XmlObject result = Diagnose(drive);
    EXPECT_EQ(Files(), (std::set<std::string>{"ddlast.xml", "scsierrorlast." + c.fileId + ".xml",
                                              "ddacllog." + c.fileId + ".bin"}))
        << c.serial;
    EXPECT_TRUE(result.GetChildren("info").empty()) << c.serial;
    for (const std::string& name : Files()) std::filesystem::remove(name);
  }
  ScriptedDrive longSerial("disk7");
  longSerial.description.serialNumber = {DriveSerialNumber::State::kKnown, std::string(300, 'S')};
  Diagnose(longSerial);
  EXPECT_TRUE(Files().count("ddacllog." + std::string(64, 'S') + ".bin"));
}

TEST_F(DiskDiagnosisRun, ClientLogThatCannotBeWrittenIsNoted) {
  const struct {
    const char* what;
    std::function<void(ScriptedDrive&)> setup;
  } cases[] = {
      {"no log from the controller", [](ScriptedDrive& d) { d.acl.reset(); }},
      {"a directory in the way",
       [](ScriptedDrive&) { std::filesystem::create_directory("ddacllog.3LM0ABCD.bin"); }},
  };
  for (const auto& c : cases) {
    ScriptedDrive drive("disk7");
    c.setup(drive);
    const XmlObject result = Diagnose(drive);
    EXPECT_EQ(Attributes(result, "info", "caption"), std::vector<std::string>{kAclNote}) << c.what;
    EXPECT_EQ(result.GetAttribute("currentState"), "passed") << c.what;  // the log is kept, not judged
  }
}

// The class registry recreates a disk diagnosis from the persistent file with its texts; on a device
// that cannot read its logs it reports every log as not retrieved.
TEST_F(DiskDiagnosisRun, PersistentFormAndDeviceWithoutLogs) {
  rbtest::RegisterTestDoubles();
  rbtest::RecordingDevice device("disk1");
  device.AddDiagnosis(std::make_unique<DiskDiagnosis>(&device));
  optstream out;
  out.WritePointer(&device);
  iptstream in(out.Bytes());
  const auto read = in.ReadObject<rbtest::RecordingDevice>();
  ASSERT_TRUE(read);
  ASSERT_EQ(read->Diagnoses().size(), 1u);
  Diagnosis& diagnosis = *read->Diagnoses()[0];
  EXPECT_EQ(diagnosis.StreamableName(), "DiskDiagnosis");
  EXPECT_EQ(diagnosis.Caption(), "Disk Diagnosis");
  EXPECT_EQ(diagnosis.Owner(), read.get());

  const XmlObject result = diagnosis.Run(XmlObject("<runDiagnosis/>"));
  EXPECT_EQ(result.GetAttribute("currentState"), "failed");
  EXPECT_EQ(Attributes(result, "info", "caption").front(), "Failed to retrieve SMART logs");
  EXPECT_EQ(Files(), (std::set<std::string>{"ddlast.xml"}));
}

std::string Take(char* text) {
  std::string copy(text != nullptr ? text : "(null)");
  if (text != nullptr) OruFree(text);
  return copy;
}

// runDiagnosis through the exported command entry, and the offered action sent back.
TEST_F(DiskDiagnosisRun, ThroughTheDispatcher) {
  Initialize("<options component='storage.so'/>");
  Take(SetCallback(&rbtest::HostEvents::Record));
  auto owned = std::make_unique<ScriptedDrive>("disk7");
  ScriptedDrive& drive = *owned;
  drive.SetCaption("Array Disk 7");
  drive.smart->controllerReportedError = true;
  drive.AddDiagnosis(std::make_unique<DiskDiagnosis>(&drive));
  ComponentInstance()->AddDevice(std::move(owned));
  rbtest::HostEvents::Clear();

  const XmlObject response(Take(ExecuteXMLCommand("<runDiagnosis device='disk7' component='storage.so'/>")));
  EXPECT_EQ(response.Name(), "diagnosisResult");
  EXPECT_EQ(response.GetAttribute("currentState"), "failed");
  EXPECT_EQ(response.GetPropertyValue("SerialNumber"), "3LM0ABCD");
  const XmlObject* note = response.SelectSingleNode("info");
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->GetAttribute("caption"), "Controller has reported a SMART error on this drive");
  EXPECT_EQ(note->GetAttribute("component"), "storage.so");
  EXPECT_EQ(note->GetAttribute("device"), "disk7");
  const std::vector<XmlObject> events = rbtest::HostEvents::Taken();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].GetAttribute("description"), "Array Disk 7 - Disk Diagnosis");

  XmlObject action = *response.SelectSingleNode("deviceAction");
  EXPECT_EQ(action.GetAttribute("component"), "storage.so");
  action.RemoveChildren();
  EXPECT_EQ(Take(ExecuteXMLCommand(action.ToString().c_str())), "");
  EXPECT_EQ(drive.actions, std::vector<std::string>{"FlashLED"});
  Uninitialize(nullptr);
}

}  // namespace
}  // namespace rb
