// The enclosure, LED and controller-signal tests run through the component on a simulated machine: a
// CISS controller of a storage-box board whose signals, world wide names, PSoC versions and battery
// gauges come from the machine description, found by discovery and offering its tests as the
// controller's list names them; and the tests of a backplane processor behind a controller of another
// board. The operator's answers come from the host's callback.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "controllers/cissdevice.h"
#include "controllers/polarwindbackplane.h"
#include "controllers/seslayouts.h"
#include "framework/runtestdoubles.h"
#include "platform/forwardingplatform.h"
#include "platform/os.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/array/simarraycontroller.h"
#include "platform/sim/array/simsesenclosure.h"
#include "platform/sim/simplatform.h"
#include "ravelbank/host.h"
#include "support/xmlobject.h"
#include "tests/enclosure/blinkledtest.h"
#include "tests/enclosure/loadcurrenttest.h"

namespace {

using rbtest::AnsweringHost;

constexpr const char* kController = "cissController0";
constexpr const char* kStorageBoxBoard = "0x52420103";
// A board whose processor LUNs are plain backplanes.
constexpr const char* kPlainBoard = "0x52420108";

// Blinks left to right, so that the operator's right answer is known.
class LeftToRightBlinkLEDTest : public rb::BlinkLEDTest {
 protected:
  bool LeftToRight() override { return true; }
};

// A machine with one CISS controller of the three-test storage-box board: two drives and the storage
// box's processor behind it, and `children` (its <vendorInfo>, <signals> battery gauges, <sesEnclosure>,
// further backplanes); `board` names another board.
class EnclosureRun {
 public:
  explicit EnclosureRun(const std::string& children,
                        const std::string& options = "<options component='storage.so'/>",
                        const std::string& board = kStorageBoxBoard)
      : sim_(std::make_unique<os::SimPlatform>(dir_.Write(
            "machine.xml",
            "<machine><pci><function bus=\"22\" device=\"0\" function=\"0\" vendorID=\"0x1000\" "
            "deviceID=\"0x0A51\" classCode=\"0x010400\" slotNumber=\"7\" description=\"RB Array "
            "Controller\"/>"
            "</pci><scsi><port number=\"11\" array=\"ciss\" pciBus=\"22\" pciDevice=\"0\" pciFunction=\"0\" "
            "board=\"" +
                board +
                "\" slot=\"7\">"
                "<drive bus=\"1\" target=\"4\" kind=\"sas\" blocks=\"2000\"/>"
                "<drive bus=\"1\" target=\"5\" kind=\"sas\" blocks=\"2000\"/>"
                "<backplane bus=\"1\" target=\"15\" vendor=\"RAVEL\" product=\"RB STORAGE BOX\" "
                "revision=\"0200\"/>" +
                children + "</port></scsi></machine>"))),
        installed_(std::make_unique<rbtest::ForwardingPlatform>(*sim_)) {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    Initialize(options.c_str());
    OruFree(SetCallback(&AnsweringHost::Callback));
    char* identified = ExecuteXMLCommand("<id/>");
    idResult = rb::XmlObject{std::string(identified != nullptr ? identified : "")};
    OruFree(identified);
  }
  ~EnclosureRun() {
    Uninitialize(nullptr);
    AnsweringHost::Reset(nullptr);
    std::filesystem::current_path(previous_);
  }

  // Runs the test with its parameters, answering each prompt with the next of `answers` (then Cancel);
  // records the prompts' texts.
  rb::XmlObject Run(const std::string& test, std::vector<std::string> answers = {},
                    const std::string& parameters = "") {
    auto queue = std::make_shared<std::deque<std::string>>(answers.begin(), answers.end());
    return RunAnswering(
        test,
        [queue]() {
          const std::string answer = queue->empty() ? std::string("Cancel") : queue->front();
          if (!queue->empty()) queue->pop_front();
          return answer;
        },
        parameters);
  }
  // Runs the test, answering each prompt with what `answer` says at that moment.
  rb::XmlObject RunAnswering(const std::string& test, std::function<std::string()> answer,
                             const std::string& parameters = "") {
    replies_.clear();
    AnsweringHost::Reset([this, answer](const rb::XmlObject&) {
      replies_.push_back("<promptAnswer value='" + answer() + "'/>");
      return replies_.back().c_str();
    });
    char* result = ExecuteXMLCommand(
        ("<runTest device='" + device + "' test='" + test + "' retries='0' " + parameters + "/>").c_str());
    const rb::XmlObject parsed{std::string(result != nullptr ? result : "")};
    OruFree(result);
    prompts.clear();
    for (const rb::XmlObject& prompt : AnsweringHost::Taken("diagPrompt")) prompts.push_back(prompt.Text());
    return parsed;
  }
  rb::CissDevice* Controller() {
    return dynamic_cast<rb::CissDevice*>(rb::ComponentInstance()->FindDevice(kController));
  }
  const rbtest::ScratchDir& Dir() const { return dir_; }
  os::SimPlatform& Sim() { return *sim_; }
  // The name of the chassis-serial backplane found behind the controller; empty when there is none.
  std::string BackplaneName() const {
    for (const rb::XmlObject& child : idResult.Children()) {
      const std::string name = child.GetAttribute("name");
      if (dynamic_cast<rb::PolarwindBackplane*>(rb::ComponentInstance()->FindDevice(name)) != nullptr)
        return name;
    }
    return "";
  }

  // The device Run runs its tests on.
  std::string device = kController;

  rb::XmlObject idResult;
  std::vector<std::string> prompts;

 private:
  rbtest::ScratchDir dir_;
  std::unique_ptr<os::SimPlatform> sim_;
  rbtest::InstalledPlatform installed_;
  std::filesystem::path previous_;
  std::deque<std::string> replies_;
};

std::string State(const rb::XmlObject& result) {
  return result.GetAttribute("currentState", "error");
}

bool Has(const rb::XmlObject& result, const std::string& text) {
  return result.ToString().find(text) != std::string::npos;
}

struct Case {
  const char* what;
  const char* children;  // the controller's <vendorInfo>, <signals> or enclosure
  const char* test;
  const char* parameters;
  std::vector<std::string> answers;
  const char* state;
  const char* text;  // in the result: the failure, or what the output shows
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EnclosureRun run(c.children);
    const rb::XmlObject result = run.Run(c.test, c.answers, c.parameters);
    EXPECT_EQ(State(result), c.state) << result.ToString();
    EXPECT_TRUE(Has(result, c.text)) << c.text << "\n" << result.ToString();
  }
}

TEST(EnclosureTests, TheControllerOffersItsSignalTestsByTheirNames) {
  EnclosureRun run("");
  rb::CissDevice* controller = run.Controller();
  ASSERT_NE(controller, nullptr) << run.idResult.ToString();
  for (const char* name :
       {"BlinkLEDTest", "ColorLEDTest", "ExpressLinkWidthTest", "SASJBODPSoCTest", "SASJBODWWNTest",
        "LoadCurrentTest1", "LoadCurrentTest2", "LoadCurrentTest3", "SASEccCntTest", "SASControllerLEDTest",
        "wwidRangeCheck", "expPhySpeedMapTest", "ctrlPhySpeedMapTest", "picIntrruptLineCondition",
        "extSasNoTEDBoardTest", "cmdDebugger", "VerifyWWIDTest"})
    EXPECT_NE(controller->FindTest(name), nullptr) << name;
  EXPECT_EQ(controller->FindTest("LoadCurrentTest2")->Caption(), "Load current battery test 2");
}

// The gauge's fault bit fails whatever the current; 79 passes and 80 fails.
TEST(EnclosureTests, LoadCurrentJudgesTheGaugesStatusThenItsCurrent) {
  RunCases({
      {"79",
       "<signals><gauge address=\"0xC1\" status=\"0\" loadCurrent=\"79\"/></signals>",
       "LoadCurrentTest1",
       "",
       {},
       "passed",
       "load current 4Fh"},
      {"80",
       "<signals><gauge address=\"0xC1\" status=\"0\" loadCurrent=\"80\"/></signals>",
       "LoadCurrentTest1",
       "",
       {},
       "failed",
       "Load current battery test failed"},
      {"fault, no current",
       "<signals><gauge address=\"0xC1\" status=\"0x20\" loadCurrent=\"0\"/></signals>",
       "LoadCurrentTest1",
       "",
       {},
       "failed",
       "status 20h"},
      {"the third battery's gauge",
       "<signals><gauge address=\"0xC5\" status=\"0x01\" loadCurrent=\"0x10\"/></signals>",
       "LoadCurrentTest3",
       "",
       {},
       "passed",
       "load current 10h"},
  });
}

TEST(EnclosureTests, ControllerReadingsAgainstTheirParameters) {
  RunCases({
      {"link as expected",
       "<vendorInfo linkWidth=\"4\"/>",
       "ExpressLinkWidthTest",
       "LinkWidth='4'",
       {},
       "passed",
       "x4"},
      {"narrower link",
       "<vendorInfo linkWidth=\"4\"/>",
       "ExpressLinkWidthTest",
       "",
       {},
       "failed",
       "PCI Express link width mismatch"},
      {"expander map, any case",
       "<vendorInfo expanderPhyMap=\"0x99990000AAAA0000\"/>",
       "expPhySpeedMapTest",
       "phySpeedMapExp='99990000aaaa0000'",
       {},
       "passed",
       "99990000AAAA0000"},
      {"expander phy down",
       "<vendorInfo expanderPhyMap=\"0x99990000AAA00000\"/>",
       "expPhySpeedMapTest",
       "phySpeedMapExp='99990000AAAA0000'",
       {},
       "failed",
       "Expander phy speed map mismatch"},
      {"controller map",
       "<vendorInfo phyMap=\"0x8888888800000000\"/>",
       "ctrlPhySpeedMapTest",
       "phySpeedMapCtrl='8888888800000000'",
       {},
       "passed",
       "8888888800000000"},
      {"controller map differs",
       "<vendorInfo phyMap=\"0x8888888800000000\"/>",
       "ctrlPhySpeedMapTest",
       "",
       {},
       "failed",
       "Controller phy speed map mismatch"},
      {"ECC counts within",
       "<vendorInfo eccCount=\"5\"/>",
       "SASEccCntTest",
       "ECC_Counts='0005'",
       {},
       "passed",
       "ECC counts: 5"},
      {"ECC counts above",
       "<vendorInfo eccCount=\"6\"/>",
       "SASEccCntTest",
       "ECC_Counts='0005'",
       {},
       "failed",
       "Data Mismatch"},
      {"PIC line high",
       "<vendorInfo interruptLine=\"high\"/>",
       "picIntrruptLineCondition",
       "",
       {},
       "passed",
       "High"},
      {"PIC line low",
       "<vendorInfo interruptLine=\"low\"/>",
       "picIntrruptLineCondition",
       "",
       {},
       "failed",
       "Bad PIC interrupt line condition"},
      {"PIC line undefined",
       "<vendorInfo interruptLine=\"unknown\"/>",
       "picIntrruptLineCondition",
       "",
       {},
       "failed",
       "Unknown"},
  });
}

TEST(EnclosureTests, TheJbodsExpandersAndPsocs) {
  RunCases({
      {"two names of one block",
       "<vendorInfo expanderWwn=\"0x500143800A1B0010\" expanderWwn2=\"0x500143800A1B0020\"/>",
       "SASJBODWWNTest",
       "",
       {},
       "passed",
       "WWN2 = 500143800A1B0020"},
      // The same name also shares its first six bytes: it is reported as the invalid one.
      {"the same name twice",
       "<vendorInfo expanderWwn=\"0x500143800A1B0010\" expanderWwn2=\"0x500143800A1B0010\"/>",
       "SASJBODWWNTest",
       "",
       {},
       "failed",
       "Invalid WWN"},
      {"names of two blocks",
       "<vendorInfo expanderWwn=\"0x500143800A1B0010\" expanderWwn2=\"0x500143800A1C0010\"/>",
       "SASJBODWWNTest",
       "",
       {},
       "failed",
       "First 6 bytes of both the WWNs should match"},
      {"versions as expected",
       "<vendorInfo sepPsoc=\"1.02\" fanPsoc=\"1.10\" ledPsoc1=\"2.00\" ledPsoc2=\"2.01\"/>",
       "SASJBODPSoCTest",
       "SEPPSoCVersion='1.02' FanPSoCVersion='1.10' LEDPSoC1Version='2.00' LEDPSoC2Version='2.01'",
       {},
       "passed",
       "LED PSoC(2) version: 2.01"},
      {"second LED PSoC behind",
       "<vendorInfo sepPsoc=\"1.02\" fanPsoc=\"1.10\" ledPsoc1=\"2.00\" ledPsoc2=\"2.01\"/>",
       "SASJBODPSoCTest",
       "SEPPSoCVersion='1.02' LEDPSoC2Version='2.02'",
       {},
       "failed",
       "LED PSoC(2) version: Expected = 2.02, Actual = 2.01"},
  });
}

TEST(EnclosureTests, TheOperatorsWwidAgainstTheControllers) {
  RunCases({
      {"as entered",
       "<vendorInfo wwn=\"0x500143800A1B00FF\"/>",
       "VerifyWWIDTest",
       "",
       {"500143800a1b00ff"},
       "passed",
       ""},
      {"not a WWID",
       "<vendorInfo wwn=\"0x500143800A1B00FF\"/>",
       "VerifyWWIDTest",
       "",
       {"5001438"},
       "failed",
       "Invalid WWID"},
      {"another WWID",
       "<vendorInfo wwn=\"0x500143800A1B00FF\"/>",
       "VerifyWWIDTest",
       "",
       {"500143800A1B0000"},
       "failed",
       "Expected = 500143800A1B0000, Actual = 500143800A1B00FF"},
  });
}

TEST(EnclosureTests, TheWwidRangeFile) {
  const struct {
    const char* what;
    const char* file;  // nullptr: no file
    const char* state;
    const char* text;
  } cases[] = {
      {"no file", nullptr, "failed", "File not found"},
      {"in a range",
       "<wwidrange><wwidlist><wwid>5001438000000001</wwid>"
       "<wwid first=\"500143800A1B0000\" last=\"500143800A1BFFFF\"/></wwidlist></wwidrange>",
       "passed", "is in the assigned ranges"},
      {"one WWID", "<wwidrange><wwidlist><wwid>500143800A1B00FF</wwid></wwidlist></wwidrange>", "passed", ""},
      {"in none", "<wwidrange><wwidlist><wwid>5001438000000001</wwid></wwidlist></wwidrange>", "failed",
       "Data Mismatch"},
      {"no list", "<wwidrange><wwid>500143800A1B00FF</wwid></wwidrange>", "failed",
       "WWID wwidlist not found"},
      // A malformed entry fails even after a matching one.
      {"bad entry",
       "<wwidrange><wwidlist><wwid>500143800A1B00FF</wwid><wwid>12</wwid></wwidlist></wwidrange>", "failed",
       "WWID wwidlist TAG error"},
      {"foreign tag", "<wwidrange><wwidlist><range>500143800A1B00FF</range></wwidlist></wwidrange>", "failed",
       "WWID wwidlist TAG error"},
      {"not XML", "<wwidrange><wwidlist>", "failed", "WWID file format error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EnclosureRun run("<vendorInfo wwn=\"0x500143800A1B00FF\"/>");
    if (c.file != nullptr) run.Dir().Write("wwidrange.xml", c.file);
    const rb::XmlObject result = run.Run("wwidRangeCheck");
    EXPECT_EQ(State(result), c.state) << result.ToString();
    EXPECT_TRUE(Has(result, c.text)) << result.ToString();
  }
}

TEST(EnclosureTests, LedQuestionsPassOnTheRightAnswerOnly) {
  RunCases({
      {"colours right", "", "ColorLEDTest", "", {"Yes"}, "passed", ""},
      {"colours wrong",
       "",
       "ColorLEDTest",
       "",
       {"No"},
       "failed",
       "Color LED Test failed.  Please note the non compliant Drive and replace."},
  });
  const struct {
    const char* answer;
    const char* state;
  } blinks[] = {{"(L)eft", "passed"}, {"(R)ight", "failed"}, {"(F)ailed", "failed"}};
  for (const auto& c : blinks) {
    SCOPED_TRACE(c.answer);
    EnclosureRun run("");
    run.Controller()->AddTest(std::make_unique<LeftToRightBlinkLEDTest>());
    const rb::XmlObject result = run.Run("BlinkLEDTest", {"OK", c.answer}, "MaximumBlinks='2'");
    EXPECT_EQ(State(result), c.state) << result.ToString();
    ASSERT_EQ(run.prompts.size(), 2u);
    EXPECT_EQ(run.prompts[0].rfind("LED on Slot 7 will blink in a few moments.", 0), 0u) << run.prompts[0];
    if (std::string(c.state) == "failed") {
      EXPECT_TRUE(Has(result, "Blink LED test failed")) << result.ToString();
    }
  }
}

// The bracket LED and the extended SAS test start a resident diagnostic and judge its result code.
TEST(EnclosureTests, TheBracketLedAndTheExtendedSasTestJudgeTheirResidentDiagnostics) {
  const char* led = "<diagnostic group=\"5\" code=\"1\" result=\"0\"/>";
  RunCases({
      {"bracket LED seen", led, "SASControllerLEDTest", "", {"Yes"}, "passed", ""},
      {"bracket LED not seen",
       led,
       "SASControllerLEDTest",
       "",
       {"No"},
       "failed",
       "Blink Controller LED test failed"},
      {"bracket LED diagnostic error",
       "<diagnostic group=\"5\" code=\"1\" result=\"7\"/>",
       "SASControllerLEDTest",
       "",
       {},
       "failed",
       "Data Mismatch"},
      {"extended SAS good",
       "<diagnostic group=\"8\" code=\"64\" result=\"0\"/>",
       "extSasNoTEDBoardTest",
       "",
       {},
       "passed",
       ""},
      {"extended SAS miscompare",
       "<diagnostic group=\"8\" code=\"64\" result=\"1\"/>",
       "extSasNoTEDBoardTest",
       "",
       {},
       "failed",
       "Expected data did not match actual data"},
      {"extended SAS firmware",
       "<diagnostic group=\"8\" code=\"64\" result=\"130\"/>",
       "extSasNoTEDBoardTest",
       "",
       {},
       "failed",
       "DLD firmware encountered problem"},
  });
}

TEST(EnclosureTests, TheCommandDebuggerSendsOnlyTheCommandsItKnows) {
  RunCases({
      {"PIC line",
       "<vendorInfo interruptLine=\"low\"/>",
       "cmdDebugger",
       "command='readPICLineInterruptCondition'",
       {},
       "passed",
       "Low"},
      {"world wide names",
       "<vendorInfo wwn=\"0x500143800A1B00FF\"/>",
       "cmdDebugger",
       "command='readExpWWID'",
       {},
       "passed",
       "50 01 43 80 0a 1b 00 ff"},
      {"unknown keyword", "", "cmdDebugger", "command='formatEverything'", {}, "failed", "Unknown command"},
  });
}

// Without an enclosure behind the controller the enclosure tests fail with the common text, and
// nothing is set.
TEST(EnclosureTests, EnclosureTestsNeedAnEnclosure) {
  for (const char* test : {"NonSGPIOBPLEDTest", "SESUIDLEDTest"}) {
    SCOPED_TRACE(test);
    EnclosureRun run("");
    const rb::XmlObject result = run.Run(test, {"OK", "Solid blue"});
    EXPECT_NE(State(result), "passed") << result.ToString();
    EXPECT_TRUE(Has(result, "Backplane or Controller not supported")) << result.ToString();
    EXPECT_TRUE(run.prompts.empty());
  }
}

// A configured test read back from the persistent file is the instance it was.
TEST(EnclosureTests, AConfiguredTestKeepsItsCodesThroughThePersistentFile) {
  const std::string options = "<options component='storage.so' persistentFilename='state.bin'/>";
  EnclosureRun run("<signals><gauge address=\"0xC3\" status=\"0\" loadCurrent=\"0x50\"/></signals>", options);
  ASSERT_NE(run.Controller(), nullptr) << run.idResult.ToString();
  Uninitialize(options.c_str());
  ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(run.Dir().Path()) / "state.bin"));
  Initialize(options.c_str());
  OruFree(SetCallback(&AnsweringHost::Callback));
  ASSERT_NE(run.Controller(), nullptr);
  const auto* test = dynamic_cast<const rb::LoadCurrentTest*>(run.Controller()->FindTest("LoadCurrentTest2"));
  ASSERT_NE(test, nullptr);
  EXPECT_EQ(test->Caption(), "Load current battery test 2");
  EXPECT_EQ(test->Codes(), std::vector<int>{0xC3});
  const rb::XmlObject result = run.Run("LoadCurrentTest2");
  EXPECT_EQ(State(result), "failed") << result.ToString();
  EXPECT_TRUE(Has(result, "I2C C3h: status 00h, load current 80")) << result.ToString();
}

constexpr const char* kOptions = "<options component='storage.so'/>";

// A backplane processor keeping the chassis serial number, behind the controller at bus 2.
std::string Polarwind(const std::string& attributes) {
  return "<backplane bus=\"2\" target=\"15\" vendor=\"RAVEL\" product=\"POLARWIND BP8\" " + attributes + "/>";
}

struct BackplaneCase {
  const char* what;
  std::string backplane;  // its attributes
  const char* test;
  const char* parameters;
  std::vector<std::string> answers;
  const char* state;
  const char* text;    // in the result: the failure, or what the output shows
  const char* stored;  // the serial number the processor keeps afterwards
};

void RunOnBackplane(const std::vector<BackplaneCase>& cases) {
  for (const BackplaneCase& c : cases) {
    SCOPED_TRACE(c.what);
    EnclosureRun run(Polarwind(c.backplane), kOptions, kPlainBoard);
    run.device = run.BackplaneName();
    ASSERT_FALSE(run.device.empty()) << run.idResult.ToString();
    const rb::XmlObject result = run.Run(c.test, c.answers, c.parameters);
    EXPECT_EQ(State(result), c.state) << result.ToString();
    EXPECT_TRUE(Has(result, c.text)) << c.text << "\n" << result.ToString();
    auto* backplane = dynamic_cast<rb::PolarwindBackplane*>(rb::ComponentInstance()->FindDevice(run.device));
    ASSERT_NE(backplane, nullptr);
    std::vector<std::uint8_t> buffer;
    ASSERT_TRUE(backplane->ReadChassisSerialBuffer(buffer));
    EXPECT_EQ(rb::PolarwindBackplane::ChassisSerialText(buffer), c.stored);
  }
}

TEST(EnclosureTests, TheBackplaneOffersItsTests) {
  EnclosureRun run(Polarwind("chassisSerial=\"CZ3491AB7K\""), kOptions, kPlainBoard);
  auto* backplane =
      dynamic_cast<rb::PolarwindBackplane*>(rb::ComponentInstance()->FindDevice(run.BackplaneName()));
  ASSERT_NE(backplane, nullptr) << run.idResult.ToString();
  for (const char* name : {"LEDTest", "AlarmPageTest", "ChassisSerialNumberTest"})
    EXPECT_NE(backplane->FindTest(name), nullptr) << name;
}

// The number is checked before anything is written; a part that does not keep it fails the read-back.
TEST(EnclosureTests, TheChassisSerialNumberIsCheckedWrittenAndReadBack) {
  const std::string kept = "chassisSerial=\"CZ3491AB7K\"";
  RunOnBackplane({
      {"written", kept, "ChassisSerialNumberTest", "", {"CZ0000000X"}, "passed", "CZ0000000X", "CZ0000000X"},
      {"too short",
       kept,
       "ChassisSerialNumberTest",
       "",
       {"CZ00000"},
       "failed",
       "Invalid Serial Number",
       "CZ3491AB7K"},
      {"twelve digits wanted",
       kept,
       "ChassisSerialNumberTest",
       "snDigits='12'",
       {"CZ0000000X"},
       "failed",
       "Invalid Serial Number",
       "CZ3491AB7K"},
      {"assembly code in place",
       kept,
       "ChassisSerialNumberTest",
       "snDigits='12' VerifyAssemblyCode='1' AssemblyCode='7QA1'",
       {"CZ347QA1B7K9"},
       "passed",
       "CZ347QA1B7K9",
       "CZ347QA1B7K9"},
      {"assembly code elsewhere",
       kept,
       "ChassisSerialNumberTest",
       "snDigits='12' VerifyAssemblyCode='1' AssemblyCode='7QA1'",
       {"7QA1CZ34B7K9"},
       "failed",
       "Proper Assembly Code not found in Serial Number",
       "CZ3491AB7K"},
      {"the part ignores the write",
       kept + " chassisSerialFixed=\"1\"",
       "ChassisSerialNumberTest",
       "",
       {"CZ0000000X"},
       "failed",
       "Failed to verify chassis serial number",
       "CZ3491AB7K"},
      {"verify only, same",
       kept,
       "ChassisSerialNumberTest",
       "chassisSerNumOptions='Verify'",
       {"CZ3491AB7K"},
       "passed",
       "",
       "CZ3491AB7K"},
      {"verify only, another",
       kept,
       "ChassisSerialNumberTest",
       "chassisSerNumOptions='Verify'",
       {"CZ0000000X"},
       "failed",
       "Failed to verify chassis serial number",
       "CZ3491AB7K"},
      {"no prompt checks the stored number",
       kept,
       "ChassisSerialNumberTest",
       "NoPrompt='1'",
       {},
       "passed",
       "CZ3491AB7K",
       "CZ3491AB7K"},
      {"no prompt, stored number too short",
       "chassisSerial=\"CZ34\"",
       "ChassisSerialNumberTest",
       "NoPrompt='1'",
       {},
       "failed",
       "Invalid Serial Number",
       "CZ34"},
  });
}

TEST(EnclosureTests, TheAlarmPageAndTheLedQuestion) {
  RunOnBackplane({
      {"no alarm", "", "AlarmPageTest", "", {}, "passed", "Alarm flags: 00h", ""},
      {"over temperature",
       "alarms=\"0x01\"",
       "AlarmPageTest",
       "",
       {},
       "failed",
       "Over Temperature condition was detected",
       ""},
      {"fan", "alarms=\"0x02\"", "AlarmPageTest", "", {}, "failed", "Fan Failure condition was detected", ""},
      {"side panel",
       "alarms=\"0x04\"",
       "AlarmPageTest",
       "",
       {},
       "failed",
       "Chassis side panel is not installed properly",
       ""},
      // Two conditions: the first fails the test, both are listed.
      {"power and fan",
       "alarms=\"0x0A\"",
       "AlarmPageTest",
       "",
       {},
       "failed",
       "Redundant Power supply is missing or is reporting a fault",
       ""},
      {"LEDs lit", "", "LEDTest", "", {"Yes"}, "passed", "", ""},
      {"LEDs dark", "", "LEDTest", "", {"No"}, "failed", "LED test failed", ""},
  });
}

// A transfer the controller refuses: the alarm page cannot be read, the number cannot be sent.
TEST(EnclosureTests, BackplaneTransfersThatFail) {
  const struct {
    const char* opcode;
    const char* test;
    const char* text;
  } cases[] = {
      {"0x08", "AlarmPageTest", "Failed to Read Alarm Page"},
      {"0x0A", "ChassisSerialNumberTest", "Failed to write chassis serial number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.test);
    EnclosureRun run(
        Polarwind("chassisSerial=\"CZ3491AB7K\"") + "<cissFault status=\"1\" opcode=\"" + c.opcode + "\"/>",
        kOptions, kPlainBoard);
    run.device = run.BackplaneName();
    ASSERT_FALSE(run.device.empty()) << run.idResult.ToString();
    const rb::XmlObject result = run.Run(c.test, {"CZ0000000X"});
    EXPECT_EQ(State(result), "failed") << result.ToString();
    EXPECT_TRUE(Has(result, c.text)) << result.ToString();
  }
}

// The storage box's backplane LED test: the operator answers what the enclosure's slot LEDs show
// while asked, and the LEDs are set back afterwards.
TEST(EnclosureTests, TheSesBackplaneLedTestAsksWhileTheSlotsBlink) {
  EnclosureRun run("<sesEnclosure><slots count=\"2\" type=\"0x17\"/></sesEnclosure>");
  run.device = "cissBackplane0";
  os::SimSesEnclosure* enclosure = run.Sim().ArrayController(11)->Enclosures().at(0).get();
  const auto slot = [enclosure](std::size_t number) {
    const os::SimSesEnclosure::Record* control =
        enclosure->Control(rb::seslayout::kTypeArrayDeviceSlot, number);
    return control == nullptr ? os::SimSesEnclosure::Record{} : *control;
  };
  const rb::XmlObject result = run.RunAnswering("SESBPLEDTest", [&slot]() {
    // Blinking (pattern 1) with the activity (green) LED on, on every slot.
    for (std::size_t number : {0u, 1u})
      if (slot(number)[1] != 1 || (slot(number)[2] & rb::seslayout::kSlotActive) == 0)
        return std::string("Failed");
    return std::string("Blinking green");
  });
  EXPECT_EQ(State(result), "passed") << result.ToString();
  ASSERT_EQ(run.prompts.size(), 1u);
  EXPECT_EQ(run.prompts[0].rfind("Select the state and color of the LED(s) on the hard drive backplane", 0),
            0u)
      << run.prompts[0];
  EXPECT_EQ(slot(0)[2] & rb::seslayout::kSlotActive, 0) << "set back";
  EXPECT_EQ(slot(1)[1], 0) << "set back";
}

}  // namespace
