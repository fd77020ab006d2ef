// The command protocol through the component's exported functions, in process, with test-double devices.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/diagnosis.h"
#include "component/testcomponent.h"
#include "framework/device.h"
#include "framework/test.h"
#include "framework/testdoubles.h"
#include "platform/os.h"
#include "platform/scratchdir.h"
#include "ravelbank/host.h"
#include "support/debug.h"
#include "support/runenvironment.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::FixedDiagnosis;
using rbtest::HostEvents;
using rbtest::RecordingDevice;
using rbtest::ScriptedTest;

std::string Take(char* text) {
  if (text == nullptr) return "(null)";
  std::string copy(text);
  OruFree(text);
  return copy;
}

std::string Send(const std::string& command) { return Take(ExecuteXMLCommand(command.c_str())); }

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    Initialize("<options component='storage.so'/>");
    ASSERT_TRUE(IsInitialized());
    EXPECT_EQ(Take(SetCallback(&HostEvents::Record)),
              "<diagOutput type=\"setCallback\" status=\"Success\"/>\n");
    auto disk = std::make_unique<RecordingDevice>("disk1");
    disk->SetCaption("Disk One");
    disk->AddTest(std::make_unique<ScriptedTest>("pass", "passed", "all good"));
    disk->AddTest(std::make_unique<ScriptedTest>("fail", "failed", "bad block"));
    disk_ = disk.get();
    ComponentInstance()->AddDevice(std::move(disk));
    ClearEvents();
  }
  void TearDown() override { Uninitialize(nullptr); }

  static void ClearEvents() { HostEvents::Clear(); }
  static std::vector<std::string> EventCaptions() {
    std::vector<std::string> out;
    for (const XmlObject& e : HostEvents::Taken())
      out.push_back(e.Name() + ":" + e.GetAttribute("caption", e.GetAttribute("percentComplete")));
    return out;
  }

  RecordingDevice* disk_ = nullptr;
};

TEST(Lifecycle, BeforeInitializeEveryCallAnswersUninitialized) {
  ASSERT_FALSE(IsInitialized());
  for (const std::string& answer : {Send("<getDiagVersion/>"), Take(SetCallback(&HostEvents::Record))}) {
    const XmlObject error(answer);
    EXPECT_EQ(error.Name(), "error");
    EXPECT_EQ(error.GetAttribute("caption"), "Uninitialized Test Component");
    EXPECT_EQ(error.GetAttribute("errorCode"), "000000");
  }
}

// A simulated machine that cannot be used leaves the component uninitialised, and every export still
// answers a document: the error's time stamp then comes from the C library's clock.
TEST(Lifecycle, UnusableMachineStillAnswersDocuments) {
  rbtest::ScratchDir dir;
  const char* saved = std::getenv("RAVELBANK_MACHINE");
  const std::string savedMachine = saved != nullptr ? saved : "";
  const std::string descriptions[] = {dir.File("missing.xml"), dir.Write("empty.xml", ""),
                                      dir.Write("invalid.xml", "<machine><ports></machine>")};
  auto previous = os::Install(nullptr);
  for (const std::string& description : descriptions) {
    ::setenv("RAVELBANK_MACHINE", description.c_str(), 1);
    os::Install(nullptr);  // the next use chooses the backend again
    Initialize("<options component='storage.so'/>");
    EXPECT_FALSE(IsInitialized()) << description;
    for (const std::string& answer : {Send("<getDiagVersion/>"), Take(SetCallback(&HostEvents::Record))}) {
      const XmlObject error(answer);
      EXPECT_EQ(error.GetAttribute("caption"), "Uninitialized Test Component")
          << description << ": " << answer;
      EXPECT_FALSE(error.GetAttribute("time").empty()) << answer;
    }
  }
  if (saved != nullptr) {
    ::setenv("RAVELBANK_MACHINE", savedMachine.c_str(), 1);
  } else {
    ::unsetenv("RAVELBANK_MACHINE");
  }
  os::Install(std::move(previous));
}

// FIFOs named like the files the component reads or writes (diagconfig.xml and ddResult.xml in the
// current directory, the persistent file) block no export: each is refused as not a regular file.
// Should an export wait all the same, the test opens the FIFOs' other ends to free it and fails.
TEST(Lifecycle, FifoFilesBlockNoExport) {
  rbtest::ScratchDir dir;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  ASSERT_EQ(::mkfifo("diagconfig.xml", 0600), 0);
  ASSERT_EQ(::mkfifo("state.persist", 0600), 0);
  ASSERT_EQ(::mkfifo("ddResult.xml", 0600), 0);  // written by discovery
  ForgetRunEnvironmentForTesting();
  auto exports = std::async(std::launch::async, [] {
    Initialize("<options component='storage.so' persistentFilename='state.persist'/>");
    const bool initialized = IsInitialized();
    Take(SetCallback(&HostEvents::Record));
    const std::string answers = Send("<id/>") + Send("<catalog/>");
    const int modes = dvmIsFactory() + dvmIsWindlass() + dvmIsSurveyOnly() + dvmUseHealthDriver();
    Uninitialize(nullptr);
    return initialized && answers.find("<idResult") != std::string::npos && modes == 1;
  });
  if (exports.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    ADD_FAILURE() << "an export waits on a FIFO";
    for (const char* fifo : {"diagconfig.xml", "state.persist", "ddResult.xml"}) {
      for (const int mode : {O_RDONLY, O_WRONLY}) {
        const int fd = ::open(fifo, mode | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
      }
    }
  }
  EXPECT_TRUE(exports.get());  // answered as without the files (only the health driver is on)
  std::filesystem::current_path(previous);
  ForgetRunEnvironmentForTesting();
}

TEST(Lifecycle, InitializeTwiceAndDebugSwitch) {
  const bool debug = IsDebugEnabled();
  Initialize("<o debugEnabled='true' component='first'/>");
  EXPECT_EQ(IsDebugEnabled(), debug);  // only "1" turns the trace on
  ComponentInstance()->AddDevice(std::make_unique<RecordingDevice>("kept0"));
  Initialize("<o component='second'/>");
  EXPECT_TRUE(IsInitialized());
  EXPECT_TRUE(ComponentInstance()->Devices().empty());  // a fresh component replaced the first
  EXPECT_EQ(ComponentInstance()->ComponentName(), "second");
  Uninitialize(nullptr);
  EXPECT_FALSE(IsInitialized());
  Uninitialize(nullptr);  // harmless when not initialised
  Initialize("<unclosed");  // a malformed options document still leaves a usable component
  EXPECT_TRUE(IsInitialized());
  EXPECT_EQ(Send("<getDiagVersion/>"), "<diagVersion>7.9.1.2401A</diagVersion>");
  Uninitialize(nullptr);
}

TEST_F(Dispatch, FixedAnswersAndEmptyResponses) {
  EXPECT_EQ(Send("<GETDIAGVERSION x='1'/>"), "<diagVersion>7.9.1.2401A</diagVersion>");
  EXPECT_EQ(Send("<diagRunBegin/>"), "");
  EXPECT_EQ(Send("<diagRunEnd><diagRun/></diagRunEnd>"), "");
  EXPECT_EQ(Send("<deviceAction device='nothing' action='x'/>"), "");
  EXPECT_EQ(Send("<deviceAction device='disk1' action='blink'/>"), "");
  EXPECT_EQ(disk_->actions, std::vector<std::string>{"blink"});
  EXPECT_TRUE(EventCaptions().empty());
}

TEST_F(Dispatch, ErrorResponsesAnnounceTheError) {
  const struct {
    const char* command;
    const char* caption;
    const char* detail;
  } cases[] = {
      {"<frobnicate component='storage.so'/>", "Invalid Command", "frobnicate"},
      {"<runTest device='disk9' test='pass'/>", "Device not found", "disk9"},
      {"<runDiagnosis device='disk9'/>", "Device not found", "disk9"},
      {"<runTest device='disk1' test='Pass'/>", "Test not found", "Pass"},  // test names are exact
      {"<cancelTest device='disk1' test='none'/>", "Test not found", "none"},
  };
  for (const auto& c : cases) {
    ClearEvents();
    const XmlObject response(Send(c.command));
    EXPECT_EQ(response.Name(), "error") << c.command;
    EXPECT_EQ(response.GetAttribute("caption"), c.caption) << c.command;
    // A cross-referenced error carries a repairAction child; read back, the text keeps the child's
    // indentation.
    EXPECT_EQ(Trim(response.Text()), c.detail) << c.command;
    EXPECT_EQ(response.GetAttribute("time").size(), 24u) << c.command;
    const std::vector<XmlObject> events = HostEvents::Taken();
    ASSERT_EQ(events.size(), 1u) << c.command;
    EXPECT_EQ(events[0].GetAttribute("caption"), "Error");
    EXPECT_EQ(events[0].GetAttribute("component"), "storage.so");
    EXPECT_EQ(events[0].GetAttribute("description"), response.GetAttribute("errorCode") + " - ;" + response.Text());
  }
}

TEST_F(Dispatch, MalformedCommandAnswersTheParserMessage) {
  const XmlObject response(Send("<runTest device='disk1'"));
  EXPECT_EQ(response.Name(), "error");
  EXPECT_EQ(response.GetAttribute("caption").rfind("XML Parsing Error (line 1, position ", 0), 0u);
  EXPECT_EQ(EventCaptions(), std::vector<std::string>{"diagEvent:Error"});
}

TEST_F(Dispatch, RunTestAnnouncesStartAndResult) {
  const XmlObject response(Send("<runTest device='disk1' test='pass' loop='3' component='storage.so'/>"));
  EXPECT_EQ(response.GetAttribute("currentState"), "passed");
  EXPECT_EQ(response.SelectSingleNode("output")->Text(), "all good");
  // The test's first and last status documents come between the two events.
  EXPECT_EQ(EventCaptions(), (std::vector<std::string>{"diagEvent:Test Started", "diagUpdate:0", "diagUpdate:100",
                                                       "diagEvent:Test passed"}));
  const std::vector<XmlObject> events = HostEvents::Taken();
  EXPECT_EQ(events[0].GetAttribute("description"), "Disk One - Scripted Test");
  EXPECT_EQ(events[3].GetAttribute("description"), "Disk One - Scripted Test;");
}

TEST_F(Dispatch, CancelTestAnswers) {
  Send("<runTest device='disk1' test='pass' loop='7'/>");
  const XmlObject known(Send("<cancelTest device='disk1' test='pass' component='c'/>"));
  EXPECT_EQ(known.ToString(),
            "<diagOutput loop=\"7\" recordNum=\"0\" type=\"cancelTest\" status=\"Success\"/>\n");
  EXPECT_TRUE(disk_->FindTest("pass")->CancelRequested());

  ClearEvents();
  const XmlObject unknown(Send("<cancelTest device='tape0' test='t' component='c'/>"));
  EXPECT_EQ(unknown.Name(), "testResult");
  EXPECT_EQ(unknown.GetAttribute("device") + unknown.GetAttribute("test") + unknown.GetAttribute("component"), "tape0tc");
  ASSERT_EQ(unknown.Children().size(), 1u);
  EXPECT_EQ(unknown.Children()[0].GetAttribute("caption"), "Device not found");
  EXPECT_TRUE(EventCaptions().empty());  // answered, not announced
}

TEST_F(Dispatch, RunDiagnosisReportsProgressAndVerdict) {
  for (const char* verdict : {"passed", "failed", "passed"}) disk_->AddDiagnosis(std::make_unique<FixedDiagnosis>(disk_, verdict));
  const XmlObject response(Send("<runDiagnosis device='disk1'/>"));
  EXPECT_EQ(response.GetAttribute("caption"), "Device Diagnosis for Disk One");
  EXPECT_EQ(response.GetAttribute("currentState"), "failed");
  EXPECT_EQ(response.GetChildren("info").size(), 3u);
  EXPECT_EQ(EventCaptions(), (std::vector<std::string>{
                                 "diagEvent:Diagnosis Started", "diagEvent:Diagnosis Finished", "diagUpdate:33",
                                 "diagEvent:Diagnosis Started", "diagEvent:Diagnosis Finished", "diagUpdate:66",
                                 "diagEvent:Diagnosis Started", "diagEvent:Diagnosis Finished", "diagUpdate:100"}));

  disk_->AddDiagnosis(std::make_unique<FixedDiagnosis>(disk_, "unavailable"));
  EXPECT_EQ(XmlObject(Send("<runDiagnosis device='disk1'/>")).GetAttribute("currentState"), "unavailable");
}

TEST_F(Dispatch, WithoutCallbackTheEventErrorReachesTheHost) {
  Take(SetCallback(nullptr));
  const XmlObject response(Send("<runTest device='disk1' test='pass'/>"));
  EXPECT_EQ(response.Name(), "error");
  EXPECT_EQ(response.GetAttribute("caption"), "Event callback not registered!");
}

// The factory run on the diagnostics CD marks a failed run of a ".so" component with a file.
TEST_F(Dispatch, FailureMarkerInTheFactoryRun) {
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "ravelbank-dispatch-marker";
  std::filesystem::create_directories(dir / "run");
  std::filesystem::create_directories(dir / "outside");
  std::filesystem::current_path(dir / "run");
  std::ofstream("diagconfig.xml") << "<diagconfig><FACTORY/></diagconfig>";
  ::setenv("VORTEXA_CD", "", 1);
  ForgetRunEnvironmentForTesting();

  Send("<runTest device='disk1' test='pass' component='storage.so'/>");
  EXPECT_FALSE(std::filesystem::exists("storage.so.failure.version"));
  Send("<runTest device='disk1' test='fail' component='storage.so'/>");
  std::ifstream marker("storage.so.failure.version");
  std::string line;
  std::getline(marker, line);
  EXPECT_EQ(line, "<diagVersion>7.9.1.2401A</diagVersion>");
  Send("<nonsense component='other.dll'/>");  // no ".so" in the name: no marker
  EXPECT_FALSE(std::filesystem::exists("other.dll.failure.version"));
  // A name that is not a plain file name would put the marker elsewhere: no marker at all.
  for (const char* name :
       {"..\\outside\\a.so", "../outside/b.so", "../run/c.so", "sub/d.so", "..so", "C:e.so"}) {
    const XmlObject response(
        Send(std::string("<runTest device='disk1' test='fail' component='") + name + "'/>"));
    EXPECT_EQ(response.GetAttribute("currentState"), "failed") << name;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir / "outside"));
  std::vector<std::string> markers;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "run"))
    markers.push_back(entry.path().filename());
  std::sort(markers.begin(), markers.end());
  EXPECT_EQ(markers, (std::vector<std::string>{"diagconfig.xml", "storage.so.failure.version"}));

  ::unsetenv("VORTEXA_CD");
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
  ForgetRunEnvironmentForTesting();
}

}  // namespace
}  // namespace rb
