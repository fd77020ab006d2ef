// The component as a diagnostics host sees it: ravelbank.so loaded with dlopen, driven through its
// exports with XML, its events received by a scripted callback, every returned block freed with OruFree.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "hostharness.h"

namespace e2e {
namespace {

constexpr const char* kCallbackAnswer = "<diagOutput type=\"setCallback\" status=\"Success\"/>\n";
constexpr const char* kVersion = "<diagVersion>7.9.1.2401A</diagVersion>";
constexpr const char* kComponentOptions = "<options component=\"e2e.so\"/>";

// The time attribute of an error: ctime's form without its line feed.
const std::string kTime = "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}";

const Component& C() {
  return Host();
}

// Every scenario starts from an uninitialised component and ends with Uninitialize and the allocator
// back where it was: the blocks the component holds and the blocks it handed out (and the test freed)
// must all be gone.
//
// The component keeps a few things for the life of the process, created on first use: the platform
// backend (here the simulated machine), the run-environment configuration read from diagconfig.xml, the
// message-catalog library, the data repository and the class registry that reads a persistent file back.
// They are not leaks, so the suite first runs a warm-up that creates them all; each scenario's baseline is
// taken after it, and a block left by a scenario's own commands fails that scenario.
class ComponentHost : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { WarmUp(); }

  void SetUp() override {
    blocks_ = C().OruGetOutstandingBlocks();
    bytes_ = C().OruGetOutstandingBytes();
    TakeEvents();
  }

  void TearDown() override {
    C().Uninitialize(nullptr);
    EXPECT_FALSE(C().IsInitialized());
    EXPECT_EQ(C().OruGetOutstandingBlocks(), blocks_) << "allocator blocks left after the scenario";
    EXPECT_EQ(C().OruGetOutstandingBytes(), bytes_) << "allocator bytes left after the scenario";
  }

  // Initialize with the options and register the scripted callback.
  static void Start(const char* options = kComponentOptions) {
    C().Initialize(options);
    ASSERT_TRUE(C().IsInitialized());
    EXPECT_EQ(Take(C().SetCallback(&ScriptedCallback)).value_or("<null>"), kCallbackAnswer);
  }

 private:
  std::uint64_t blocks_ = 0;
  std::uint64_t bytes_ = 0;
};

TEST_F(ComponentHost, EveryDeclaredExportResolvesByName) {
  const std::vector<std::string> names = DeclaredExports();
  EXPECT_EQ(names.size(), 15u);
  for (const std::string& name : names) EXPECT_NE(dlsym(C().library, name.c_str()), nullptr) << name;
  EXPECT_FALSE(C().IsInitialized());
}

TEST_F(ComponentHost, WhileUninitialisedEveryCallAnswersTheUninitialisedError) {
  ASSERT_FALSE(C().IsInitialized());
  const std::regex uninitialised("<error caption=\"Uninitialized Test Component\" time=\"" + kTime +
                                 "\" errorCode=\"000000\"/>\n");
  const std::string answers[] = {Send("<getDiagVersion/>"), Send("<id/>"),
                                 Take(C().SetCallback(&ScriptedCallback)).value_or("<null>")};
  for (const std::string& answer : answers) EXPECT_TRUE(std::regex_match(answer, uninitialised)) << answer;
  C().Uninitialize(nullptr);  // harmless without a component
  EXPECT_FALSE(C().IsInitialized());
  EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(ComponentHost, InitializedComponentAnswersTheVersionInAnyLetterCase) {
  Start();
  for (const char* command : {"<getDiagVersion/>", "<GETDIAGVERSION component='e2e.so' extra='1'/>",
                              "<getdiagversion></getdiagversion>"}) {
    EXPECT_EQ(Send(command), kVersion) << command;
  }
  EXPECT_TRUE(TakeEvents().empty());
  C().Uninitialize(nullptr);
  EXPECT_FALSE(C().IsInitialized());
  EXPECT_EQ(Document(Send("<getDiagVersion/>")).Root().attribute("caption").value(),
            std::string("Uninitialized Test Component"));
}

TEST_F(ComponentHost, UnknownCommandAnswersInvalidCommandAndAnnouncesIt) {
  Start();
  const Document response(Send("<frobnicate component='e2e.so'/>"));
  ASSERT_TRUE(response.WellFormed());
  EXPECT_STREQ(response.Root().name(), "error");
  EXPECT_STREQ(response.Root().attribute("caption").value(), "Invalid Command");
  EXPECT_STREQ(response.Root().attribute("errorCode").value(), "000000");
  EXPECT_EQ(TrimmedText(response.Root()), "frobnicate");
  const std::vector<Event> events = TakeEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].element, "diagEvent");
  EXPECT_EQ(events[0].component, "e2e.so");
  EXPECT_EQ(events[0].caption, "Error");
  EXPECT_EQ(events[0].description, "000000 - ;frobnicate");
}

TEST_F(ComponentHost, RunTestAndRunDiagnosisOfAnUnknownDeviceAnswerDeviceNotFound) {
  Start();
  const struct {
    const char* command;
    const char* device;
  } cases[] = {
      {"<runTest device='disk9' test='accessTest' component='e2e.so'/>", "disk9"},
      {"<RUNTEST device='cdrom0' test='trayTest'/>", "cdrom0"},
      {"<runDiagnosis device='tape3' component='e2e.so'/>", "tape3"},
  };
  for (const auto& c : cases) {
    const Document response(Send(c.command));
    ASSERT_TRUE(response.WellFormed()) << c.command;
    const pugi::xml_node error = response.Root();
    EXPECT_STREQ(error.name(), "error") << c.command;
    EXPECT_STREQ(error.attribute("caption").value(), "Device not found") << c.command;
    EXPECT_TRUE(std::regex_match(error.attribute("time").value(), std::regex(kTime))) << c.command;
    EXPECT_EQ(TrimmedText(error), c.device) << c.command;
    const std::string code = error.attribute("errorCode").value();
    EXPECT_TRUE(std::regex_match(code, std::regex("[0-9]{6}"))) << c.command;
    const std::vector<Event> events = TakeEvents();
    ASSERT_EQ(events.size(), 1u) << c.command;
    EXPECT_EQ(events[0].caption, "Error") << c.command;
    // The event carries the document's code and detail. The component builds it from the error document
    // parsed back, whose text keeps the blanks that indent a repairAction child after the detail.
    EXPECT_EQ(events[0].description.substr(0, events[0].description.find_last_not_of(' ') + 1),
              code + " - ;" + c.device)
        << c.command;
  }
}

TEST_F(ComponentHost, CancelTestOfAnUnknownDeviceAnswersATestResultWithTheError) {
  Start();
  const Document response(Send("<cancelTest device='cd0' test='trayTest' component='e2e.so'/>"));
  ASSERT_TRUE(response.WellFormed());
  const pugi::xml_node result = response.Root();
  EXPECT_STREQ(result.name(), "testResult");
  EXPECT_STREQ(result.attribute("device").value(), "cd0");
  EXPECT_STREQ(result.attribute("test").value(), "trayTest");
  EXPECT_STREQ(result.attribute("component").value(), "e2e.so");
  EXPECT_TRUE(result.attribute("currentState").empty());
  std::vector<pugi::xml_node> children(result.children().begin(), result.children().end());
  ASSERT_EQ(children.size(), 1u);
  EXPECT_STREQ(children[0].name(), "error");
  EXPECT_STREQ(children[0].attribute("caption").value(), "Device not found");
  EXPECT_EQ(TrimmedText(children[0]), "cd0");
  EXPECT_TRUE(TakeEvents().empty());  // answered, not announced
}

TEST_F(ComponentHost, CommandsWithoutAResponseAnswerTheEmptyString) {
  Start();
  for (const char* command :
       {"<deviceAction device='nothing' action='blink' component='e2e.so'/>", "<diagRunBegin/>",
        "<diagRunBegin><other/></diagRunBegin>", "<diagRunBegin><diagRun/></diagRunBegin>",
        "<DIAGRUNEND><diagRun/></DIAGRUNEND>"}) {
    EXPECT_EQ(Send(command), "") << command;
  }
  EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(ComponentHost, MalformedCommandAnswersTheParserMessage) {
  Start();
  // The parser is lenient (an end tag's name is not compared, unknown entities stay as written), so these
  // are errors it does report: a missing end tag, text before the element, an unquoted attribute value.
  for (const char* command : {"<runTest device='disk1'", "x<id/>", "<runTest device=disk1/>"}) {
    const Document response(Send(command));
    ASSERT_TRUE(response.WellFormed()) << command;
    EXPECT_STREQ(response.Root().name(), "error") << command;
    EXPECT_EQ(std::string(response.Root().attribute("caption").value()).rfind("XML Parsing Error (line 1", 0),
              0u)
        << command << ": " << response.Root().attribute("caption").value();
    const std::vector<Event> events = TakeEvents();
    ASSERT_EQ(events.size(), 1u) << command;
    EXPECT_EQ(events[0].caption, "Error") << command;
  }
}

TEST_F(ComponentHost, WithoutACallbackTheFailedEventIsAnswered) {
  Start();
  EXPECT_EQ(Take(C().SetCallback(nullptr)).value_or("<null>"), kCallbackAnswer);
  EXPECT_EQ(Send("<getDiagVersion/>"), kVersion);  // sends no event
  const Document response(Send("<frobnicate/>"));
  EXPECT_STREQ(response.Root().attribute("caption").value(), "Event callback not registered!");
  EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(ComponentHost, InitializeTwiceReplacesTheComponent) {
  Start("<options component='first'/>");
  Start("<options component='second'/>");
  Send("<frobnicate/>");
  const std::vector<Event> events = TakeEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].component, "second");
}

TEST_F(ComponentHost, DiscoveryAndCatalogAnswerTheirDocuments) {
  Start();
  const std::string first = Send("<id component='e2e.so'/>");
  const Document discovery(first);
  ASSERT_TRUE(discovery.WellFormed()) << first;
  EXPECT_STREQ(discovery.Root().name(), "idResult");
  std::vector<Event> events = TakeEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].caption, "Device Discovery Started");
  EXPECT_EQ(Send("<id component='e2e.so'/>"), first);  // the same devices under the same names

  TakeEvents();
  const Document catalog(Send("<catalog component='e2e.so'/>"));
  ASSERT_TRUE(catalog.WellFormed());
  EXPECT_STREQ(catalog.Root().name(), "catResult");
  events = TakeEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].caption, "Building Catalog");
}

TEST_F(ComponentHost, RunEnvironmentAnswersFollowTheVariables) {
  // diagconfig.xml (see the harness) asks for survey-only mode in the diagnostics-CD environment and turns
  // the health driver off; the CD environment wins over Sparrow.
  const struct {
    const char* sparrow;  // null: unset
    const char* cd;
    std::int32_t answers[8];  // Sparrow, DiagsCD, Online, WinPE, Factory, Windlass, SurveyOnly, HealthDriver
  } cases[] = {
      {nullptr, nullptr, {0, 0, 1, 0, 0, 0, 0, 0}},
      {"", nullptr, {1, 0, 0, 0, 0, 0, 0, 0}},
      {nullptr, "1", {0, 1, 0, 0, 0, 0, 1, 0}},
      {"yes", "", {1, 1, 0, 0, 0, 0, 1, 0}},
  };
  for (const auto& c : cases) {
    const ScopedEnvironment sparrow("SPARROW", c.sparrow);
    const ScopedEnvironment cd("VORTEXA_CD", c.cd);
    const std::int32_t answers[8] = {C().dvmIsSparrow(),    C().dvmIsDiagsCD(),      C().dvmIsOnline(),
                                     C().dvmIsWinPE(),      C().dvmIsFactory(),      C().dvmIsWindlass(),
                                     C().dvmIsSurveyOnly(), C().dvmUseHealthDriver()};
    EXPECT_EQ(std::vector<std::int32_t>(answers, answers + 8),
              std::vector<std::int32_t>(c.answers, c.answers + 8))
        << "SPARROW " << (c.sparrow ? c.sparrow : "unset") << ", VORTEXA_CD " << (c.cd ? c.cd : "unset");
  }
}

}  // namespace
}  // namespace e2e
