// The NVRAM tests on simulated CISS controllers whose I2C parts hold tagged fields: the checks of
// NVRAMTest and their texts, the checksum's edge cases, the part locations by board family, the
// wellness-log write with its kept image, the PHY setting file, the local NVRAM header and the
// programming of a part from a flash file. The parser's record format is checked by a table.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "component/simdiscoveryfixture.h"
#include "controllers/cissdevice.h"
#include "controllers/nvramfile.h"
#include "controllers/nvramlayout.h"
#include "controllers/nvrampart.h"
#include "controllers/qxnvramparser.h"
#include "framework/ptstream.h"
#include "framework/runtestdoubles.h"
#include "framework/testfactory.h"
#include "support/xmlobject.h"
#include "tests/nvram/nvramtest.h"

namespace rb {
namespace {

using rbtest::AnsweringHost;
using rbtest::RaidControllerSummaryEntry;

// A part whose upper 128 bytes sum to 0x100: byte 128 is 0x80, byte 255 is 0x80.
std::string UpperHalfSumsTo256() {
  std::string hex;
  for (int i = 0; i < 256; ++i) hex += (i == 128 || i == 255) ? "80 " : "00 ";
  return hex;
}

// 256 bytes whose first 128 form a good part (bytes 64 and 127 sum to 0) and whose upper half does not.
std::string BatteryPart() {
  std::string hex;
  for (int i = 0; i < 256; ++i)
    hex += i == 0 ? "42 " : i == 64 ? "01 " : i == 127 ? "FF " : i == 200 ? "07 " : "00 ";
  return hex;
}

// Controller 0: a storage-box board with good parts; controller 1: a reduced-memory board whose
// manufacturing part has a bad checksum; controller 2: the plain SAS board, in neither family.
std::string Machine() {
  return R"(<machine><pci>
    <function bus="9" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="10" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="11" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
  </pci><scsi>
    <port number="2" array="ciss" pciBus="9" board="0x52420103">
      <nvram address="0xA0" size="1024" vendorId="0x1000" deviceId="0x0A51"/>
      <nvram address="0xA1" assembly="A430" autoRev="010203" fbt="0x12" pic="0x34" testStatus="0x01"
             wellness="FBT ,SYSP" phy="1F 2A 3C"/>
      <nvram address="0xA8" hex=")" +
         UpperHalfSumsTo256() + R"(" checksum="keep"/>
      <nvram address="0xA9"/>
      <nvram address="0xAB" assembly="B100"/>
      <nvram address="0xC1" hex=")" +
         BatteryPart() + R"(" checksum="keep"/>
      <sesEnclosure vendor="RAVEL" product="RB SAS BOX 12" revision="0150">
        <powerSupply/>
        <fan speed="520" code="3"/>
        <fan speed="0" fault="failed"/>
        <buffer id="5" hex="01 0D 09 41 53 53 59 3D 42 31 31 32" size="256"/>
        <buffer id="8" text="B112000042" size="256"/>
        <buffer id="10" hex="03 1F 2A 3C" size="256"/>
        <buffer id="12" text="RB-BOX-12A" size="256"/>
        <buffer id="13" hex="01 0D 09 41 53 53 59 3D 42 33 31 33" size="256"/>
      </sesEnclosure>
      <backplane bus="1" target="15" vendor="RAVEL" product="RB STORAGE BOX" revision="0200"/>
    </port>
    <port number="3" array="ciss" pciBus="10" board="0x52420106">
      <nvram address="0xAD" assembly="A210" badChecksum="1"/>
    </port>
    <port number="4" array="ciss" pciBus="11" board="0x52420108">
      <nvram address="0xA1" assembly="A600"/>
    </port>
  </scsi></machine>)";
}

XmlObject Summary() {
  XmlObject summary;
  summary.SetName("pciSummary");
  for (const char* bus : {"9", "10", "11"}) {
    XmlObject entry = RaidControllerSummaryEntry(bus);
    entry.SetAttribute("name", "pciDevice");
    summary.AddChild(std::move(entry));
  }
  return summary;
}

bool Has(const XmlObject& result, const std::string& text) {
  return result.ToString().find(text) != std::string::npos;
}

class NvramTests : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override {
    Start(Machine().c_str(), Summary());
    component_.IdentifyDevices();
    component_.SetCallback(&AnsweringHost::Callback);
    AnsweringHost::Reset(nullptr);
  }
  void TearDown() override {
    AnsweringHost::Reset(nullptr);
    SimDiscoveryTest::TearDown();
  }
  CissDevice& Controller(int n) {
    auto* controller = dynamic_cast<CissDevice*>(component_.FindDevice("cissController" + std::to_string(n)));
    EXPECT_NE(controller, nullptr) << n;
    return *controller;
  }
  // Runs the test `name` of controller n; when the controller does not offer it, an instance of
  // `testClass` configured with `name` and `part` is added first.
  XmlObject Run(int n, const std::string& name, const std::string& parameters, int part = 0,
                const char* testClass = "NVRAMTest") {
    CissDevice& controller = Controller(n);
    if (controller.FindTest(name) == nullptr) {
      std::unique_ptr<rb::Test> test = MakeConfiguredTest(testClass, {name, name, {part}});
      if (test == nullptr) test = MakeTest(testClass);
      EXPECT_NE(test, nullptr) << testClass;
      if (test != nullptr) controller.AddTest(std::move(test));
    }
    return controller.RunTest(
        XmlObject("<runTest device='" + controller.Name() + "' test='" + name + "' " + parameters + "/>"));
  }
  std::vector<std::uint8_t> Part(int n, std::uint8_t code) {
    NvramPart part(Controller(n), code);
    return part.Read();
  }
  std::string Slurp(const std::string& file) {
    std::ifstream in(dir_.Path() + "/" + file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(NvramTests, TheManufacturingPartPassesOrFailsEachFieldCheckWithItsText) {
  const struct {
    int controller;
    const char* parameters;
    const char* message;  // empty: passes
    const char* detail;
  } cases[] = {
      {0, "", "", ""},
      {0, "assemblyCode='A430' autoRev='010203' FBTCode='12' PICCode='34' TestStatus='01'", "", ""},
      {0, "assemblyCode='A431'", "Assembly code mismatch", "Expected value=A431, actual value=A430"},
      {0, "autoRev='010204'", "Auto rev mismatch", "actual value=010203"},
      {0, "FBTCode='13'", "FBT Code mismatch", "actual value=12"},
      {0, "PICCode='35'", "PIC Code mismatch", "actual value=34"},
      {0, "TestStatus='02'", "Test Status mismatch", "actual value=01"},
      {0, "WriteFbtCode='X'", "Invalid FBT code", "WriteFbtCode=X"},
      {1, "", "Invalid checksum", "Actual checksum 01, it should be 0x00"},
      {1, "verChecksum='0' assemblyCode='A210'", "", ""},
      {1, "verChecksum='0' autoRev='010203'", "No autorev found", ""},
      {1, "verChecksum='0' WriteSysCode='S'", "No Wellness Log found", ""},
      {1, "verChecksum='0' VerPhySetting='1' VerPhySettingFn='phy.txt'", "No Phy Setting was found", ""},
      {2, "", "Unable to locate NVRAM part", "part 129"},
  };
  dir_.Write("phy.txt", "1F 2A 3C\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.controller) + " " + c.parameters);
    const XmlObject result = Run(c.controller, "ctrlMFGNvramTest", c.parameters);
    EXPECT_EQ(result.GetAttribute("currentState"), *c.message ? "failed" : "passed") << result.ToString();
    if (*c.message) {
      EXPECT_TRUE(Has(result, c.message)) << result.ToString();
    }
    if (*c.detail) {
      EXPECT_TRUE(Has(result, c.detail)) << result.ToString();
    }
  }
}

TEST_F(NvramTests, ChecksumEdgesAndTheBatteryPartsShorterRead) {
  const struct {
    int part;
    const char* message;  // empty: passes
    std::size_t displayed;
  } cases[] = {
      {130, "", 256},                   // the upper half sums to 0x100: its 8-bit sum is 0
      {131, "NVRAM has all zeros", 0},  // sums to 0 too
      {133, "", 128},                   // the battery part's first 128 bytes only
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.part);
    const XmlObject result = Run(0, "part" + std::to_string(c.part), "display='1'", c.part);
    EXPECT_EQ(result.GetAttribute("currentState"), *c.message ? "failed" : "passed") << result.ToString();
    if (*c.message) {
      EXPECT_TRUE(Has(result, c.message)) << result.ToString();
    }
    const XmlObject* output = result.SelectSingleNode("output");
    const std::string text = output != nullptr ? output->Text() : "";
    EXPECT_EQ(text.size(), c.displayed * 3 + c.displayed / 16) << text;
  }
}

TEST_F(NvramTests, PartsAreLocatedByBoardFamily) {
  const struct {
    int controller;
    std::uint8_t code;
    std::uint8_t address;
    std::uint32_t size;
  } cases[] = {{0, 128, 0xA0, 1024}, {0, 129, 0xA1, 256}, {1, 128, 0xA1, 1024},
               {1, 129, 0xAD, 256},  {0, 134, 0xC3, 128}, {0, 5, 5, 256}};
  for (const auto& c : cases) {
    NvramPart part(Controller(c.controller), c.code);
    part.SetNVRAMlocation();
    EXPECT_EQ(part.Address(), c.address) << int{c.code};
    EXPECT_EQ(part.Size(), c.size) << int{c.code};
  }
  // Enclosure parts exist on the storage-box board set only; a buffer smaller than the part fails.
  NvramPart enclosure(Controller(1), 5);
  EXPECT_THROW(enclosure.SetNVRAMlocation(), OruError);
  NvramPart manufacturing(Controller(0), 129);
  std::vector<std::uint8_t> small(255, 0xEE);
  EXPECT_THROW(manufacturing.ReadNVRAM(small.data(), 255), OruError);
  EXPECT_EQ(small[0], 0) << "the caller's buffer is zeroed first";
}

TEST_F(NvramTests, AnEnclosurePartIsTheEnclosuresBufferOfItsCode) {
  const std::vector<std::uint8_t> backplane = Part(0, 5);
  ASSERT_EQ(backplane.size(), 256u);
  std::uint8_t assembly[4] = {};
  EXPECT_EQ(QXNvramParser(backplane).Find(1, 13, '=', assembly, 4), 4u);
  EXPECT_EQ(std::string(assembly, assembly + 4), "B112");
  NvramPart absent(Controller(0), 6);
  EXPECT_THROW(absent.Read(), OruError) << "the enclosure has no such buffer";
}

TEST_F(NvramTests, EnclosureStatusAndPartChecks) {
  const struct {
    int code;
    const char* parameters;
    const char* message;  // empty: passes
  } cases[] = {{0, "", ""},
               {1, "", "ELEMENT 2, status byte"},
               {5, "verChecksum='0' assemblyCode='B112'", ""},
               {5, "verChecksum='0' assemblyCode='B113'", "Assembly code mismatch"},
               {5, "autoRev='010203'", "No autorev found"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " " + c.parameters);
    const XmlObject result = Run(0, "ses" + std::to_string(c.code), c.parameters, c.code, "SESNVRAMTest");
    EXPECT_EQ(result.GetAttribute("currentState"), *c.message ? "failed" : "passed") << result.ToString();
    if (*c.message) {
      EXPECT_TRUE(Has(result, c.message)) << result.ToString();
    }
  }
  // A controller without an enclosure cannot reach one.
  const XmlObject result = Run(1, "ses0", "", 0, "SESNVRAMTest");
  EXPECT_TRUE(Has(result, "Backplane or Controller not supported")) << result.ToString();
}

TEST_F(NvramTests, TheBackplaneEntryOffersEveryEnclosurePartAndChecksItThroughItsController) {
  Device* backplane = component_.FindDevice("cissBackplane0");
  ASSERT_NE(backplane, nullptr);
  const std::pair<const char*, const char*> described[] = {
      {"SESBP1NVRAMTest", "Reads backplane(1) NVRAM and performs operation specified by user"},
      {"SESBP3NVRAMTest", "Reads backplane(3) NVRAM and performs operation specified by user"},
      {"SESMPSlot2NVRAMTest", "Reads midplane slot (2) NVRAM and performs operation specified by user"},
      {"SESMPStorEnclMgmtSettingNVRAMTest",
       "Reads midplane storage enclosure management setting and performs operation specified by user"},
      {"SESFCM2NVRAMTest", "Reads fan control module(2) NVRAM and performs operation specified by user"},
      {"SESSSDNVRAMTest", "Reads seven segment display NVRAM and performs operation specified by user"},
  };
  for (const auto& [name, description] : described) {
    const rb::Test* test = backplane->FindTest(name);
    ASSERT_NE(test, nullptr) << name;
    EXPECT_EQ(test->Description(), description) << name;
  }
  EXPECT_EQ(Controller(0).FindTest("ctrlMFGNvramTest")->Description(),
            "Verifies controller manufacturing NVRAM is ok");
  EXPECT_EQ(Controller(0).FindTest("ctrlCacheNvramTest")->Description(),
            "Verifies controller cache NVRAM is ok");
  // The parts are read through the controller that reaches the enclosure.
  const auto run = [&](const std::string& name, const std::string& parameters) {
    return backplane->RunTest(
        XmlObject("<runTest device='cissBackplane0' test='" + name + "' retries='0' " + parameters + "/>"));
  };
  EXPECT_EQ(run("SESBP1NVRAMTest", "assemblyCode='B112'").GetAttribute("currentState"), "passed");
  EXPECT_EQ(run("SESBP3NVRAMTest", "assemblyCode='B313'").GetAttribute("currentState"), "passed");
  const XmlObject mismatch = run("SESBP3NVRAMTest", "assemblyCode='B314'");
  EXPECT_TRUE(Has(mismatch, "Assembly code mismatch")) << mismatch.ToString();
  const XmlObject absent = run("SESBP4NVRAMTest", "");
  EXPECT_TRUE(Has(absent, "Unable to read NVRAM part")) << absent.ToString();
}

// The operator answers every prompt with `answer` (kept by the caller while the test runs).
void AnswerWith(const std::string& answer) {
  AnsweringHost::Reset([&answer](const XmlObject&) { return answer.c_str(); });
}

TEST_F(NvramTests, TheChassisSerialNumberIsVerifiedOrWrittenAndReadBack) {
  const std::vector<std::uint8_t> before = Part(0, 8);
  const struct {
    const char* parameters;
    const char* entry;    // the operator's answer
    const char* message;  // empty: passes
  } cases[] = {{"snDigits='10' configCode='B112'", "", ""},
               {"configCode='B113'", "", "Proper Assembly Code not found in Serial Number"},
               {"configCode='B1'", "", "Incorrect config code specified by user"},
               {"snDigits='8'", "", "Invalid serial number"},
               {"chassisSerNumOptions='WriteAndVerify'", "b112x", "Invalid Serial Number"},
               {"chassisSerNumOptions='WriteAndVerify' configCode='A430'", "B112000077",
                "Proper Assembly Code not found in Serial Number"},
               {"chassisSerNumOptions='WriteAndVerify'", "Cancel", "Test canceled by the operator"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parameters);
    const std::string answer = std::string("<promptAnswer value='") + c.entry + "'/>";
    AnswerWith(answer);
    const XmlObject result = Run(0, "ses8", c.parameters, 8, "SESNVRAMTest");
    EXPECT_EQ(result.GetAttribute("currentState"), *c.message ? "failed" : "passed") << result.ToString();
    EXPECT_TRUE(Has(result, c.message)) << result.ToString();
    EXPECT_EQ(Part(0, 8), before) << "nothing written";
  }
  const std::string answer = "<promptAnswer value='B112000077'/>";
  AnswerWith(answer);
  XmlObject result = Run(0, "ses8", "chassisSerNumOptions='WriteAndVerify' snDigits='10' configCode='B112'",
                         8, "SESNVRAMTest");
  ASSERT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  std::vector<std::uint8_t> after = Part(0, 8);
  EXPECT_EQ(std::string(after.begin(), after.begin() + 11), std::string("B112000077") + '\0');
  EXPECT_EQ(nvramlayout::UpperHalfSum(after.data(), after.size()), 0);
  EXPECT_EQ(ReadNvramFile("nvrambackup_8_1.txt"), before);
  // Without prompting, the default number is written.
  AnsweringHost::Reset(nullptr);
  result = Run(0, "ses8", "chassisSerNumOptions='WriteAndVerify' NoPrompt='1'", 8, "SESNVRAMTest");
  ASSERT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  EXPECT_TRUE(AnsweringHost::Taken("diagPrompt").empty());
  after = Part(0, 8);
  EXPECT_EQ(std::string(after.begin(), after.begin() + 11), std::string("0000000000") + '\0');
}

TEST_F(NvramTests, ExpanderPhyAttributesAreComparedWithTheExpectedValues) {
  const struct {
    const char* values;
    const char* message;  // empty: passes
  } cases[] = {{"1F 2A 3C", ""},
               {"1f,2A", ""},
               {"1F 2B", "Actual expander value did not match expected value specified"},
               {"1F 2A 3C 4D", "Actual expander value did not match expected value specified"},
               {"1F 1FF", "Specified expander PHY value is too big"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.values);
    const XmlObject result =
        Run(0, "ses10", std::string("expPhyAttribute='") + c.values + "'", 10, "SESNVRAMTest");
    EXPECT_EQ(result.GetAttribute("currentState"), *c.message ? "failed" : "passed") << result.ToString();
    EXPECT_TRUE(Has(result, c.message)) << result.ToString();
  }
  const XmlObject result = Run(0, "ses10", "expPhyAttribute='1F 2B'", 10, "SESNVRAMTest");
  EXPECT_TRUE(Has(result, "PHY 1: Expected value=2B, actual value=2A")) << result.ToString();
  // The second expander keeps no attributes buffer.
  EXPECT_EQ(Run(0, "ses11", "expPhyAttribute='1F'", 11, "SESNVRAMTest").GetAttribute("currentState"),
            "failed");
}

TEST_F(NvramTests, TheOperatorsProductIdIsCheckedWrittenAndReadBack) {
  const std::vector<std::uint8_t> before = Part(0, 12);
  for (const char* entry : {"RB-BOX-13", "", "RB BOX 12B", "RB-BOX-12B-TOO-LONG-AN-ID"}) {
    SCOPED_TRACE(entry);
    const std::string answer = std::string("<promptAnswer value='") + entry + "'/>";
    AnswerWith(answer);
    const XmlObject result = Run(0, "ses12", "productCode='12B'", 12, "SESNVRAMTest");
    EXPECT_EQ(result.GetAttribute("currentState"), "failed");
    EXPECT_TRUE(Has(result, "An invalid product id was entered")) << result.ToString();
    EXPECT_EQ(Part(0, 12), before) << "nothing written";
  }
  const std::string answer = "<promptAnswer value='RB-BOX-12B'/>";
  AnswerWith(answer);
  const XmlObject result = Run(0, "ses12", "productCode='12B'", 12, "SESNVRAMTest");
  ASSERT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  const auto prompts = AnsweringHost::Taken("diagPrompt");
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_TRUE(prompts[0].ToString().find("Please enter the product id") != std::string::npos);
  const std::vector<std::uint8_t> after = Part(0, 12);
  EXPECT_EQ(std::string(after.begin(), after.begin() + 11), std::string("RB-BOX-12B") + '\0');
  EXPECT_EQ(ReadNvramFile("nvrambackup_12_1.txt"), before);
}

TEST_F(NvramTests, WellnessStatusIsWrittenAfterThePartsImageIsKept) {
  const std::vector<std::uint8_t> before = Part(0, 129);
  XmlObject result = Run(0, "ctrlMFGNvramTest", "WriteFbtCode='F' WriteSysCode='S'");
  ASSERT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  EXPECT_TRUE(Has(result, "Write FBT Code: F")) << result.ToString();
  const std::vector<std::uint8_t> after = Part(0, 129);
  const std::string log(after.begin() + *QXNvramParser(after).Offset(0, 13, '>'),
                        after.begin() + *QXNvramParser(after).Offset(0, 13, '>') + 8);
  EXPECT_EQ(log, "FBTFSYSS");
  EXPECT_EQ(nvramlayout::UpperHalfSum(after.data(), after.size()), 0);
  EXPECT_EQ(ReadNvramFile("nvrambackup_129_1.txt"), before);
  // A second write keeps its own image beside the first.
  result = Run(0, "ctrlMFGNvramTest", "WriteFbtCode='P'");
  ASSERT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  EXPECT_EQ(ReadNvramFile("nvrambackup_129_1.txt"), before);
  EXPECT_EQ(ReadNvramFile("nvrambackup_129_2.txt"), after);
}

TEST_F(NvramTests, ThePhySettingIsComparedWithTheFile) {
  dir_.Write("good.txt", "# expander settings\n1F 2A\n3c\n");
  dir_.Write("other.txt", "1F 2A 3D\n");
  dir_.Write("broken.txt", "1F 2AX\n");
  const struct {
    const char* file;
    const char* message;
  } cases[] = {{"good.txt", ""},
               {"other.txt", "Phy Setting mismatch"},
               {"broken.txt", "Could not read the Phy Setting file"},
               {"missing.txt", "Could not read the Phy Setting file"}};
  for (const auto& c : cases) {
    const XmlObject result =
        Run(0, "ctrlMFGNvramTest", std::string("VerPhySetting='1' VerPhySettingFn='") + c.file + "'");
    EXPECT_EQ(result.GetAttribute("currentState"), *c.message ? "failed" : "passed") << c.file;
    if (*c.message) {
      EXPECT_TRUE(Has(result, c.message)) << result.ToString();
    }
  }
}

TEST_F(NvramTests, TheLocalHeaderIsComparedWithTheExpectedIdentifiers) {
  XmlObject result = Run(0, "LocalNvramHeaderTest", "ExpectedPciVendorId='0x1000' ExpectedPciDeviceId='0A51'",
                         0, "LocalNvramHeaderTest");
  EXPECT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  result = Run(0, "LocalNvramHeaderTest", "ExpectedPciVendorId='0x1000' ExpectedPciDeviceId='0x0A52'");
  EXPECT_EQ(result.GetAttribute("currentState"), "failed");
  EXPECT_TRUE(Has(result, "Local NVRAM header of controller does not match vendor/device id"));
  EXPECT_TRUE(Has(result,
                  "Expected PCI Vendor ID = 0x1000, Found PCI Vendor ID = 0x1000, Expected PCI Device ID = "
                  "0x0a52, Found PCI Device ID = 0x0a51, "))
      << result.ToString();
}

TEST_F(NvramTests, FlashingAPartNeedsTheOperatorAndAGoodImage) {
  const std::vector<std::uint8_t> original = Part(0, 132);
  dir_.Write("image.txt", "41 42 43\n");
  std::string bad;
  for (int i = 0; i < 200; ++i) bad += i == 150 ? "01 " : "00 ";
  dir_.Write("bad.txt", bad);
  const struct {
    const char* file;
    const char* answer;
    const char* message;  // empty: passes
  } cases[] = {{"bad.txt", "OK", "Invalid checksum"},
               {"image.txt", "Cancel", "Test canceled by the operator"},
               {"missing.txt", "OK", "Could not read the flash file"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const char* answer = c.answer;
    AnsweringHost::Reset([answer](const XmlObject&) {
      return std::string(answer) == "OK" ? "<promptAnswer value='OK'/>" : "<promptAnswer value='Cancel'/>";
    });
    const XmlObject result =
        Run(0, "flashPart", std::string("partCode='132' fileName='") + c.file + "'", 0, "FlashPart");
    EXPECT_EQ(result.GetAttribute("currentState"), "failed");
    EXPECT_TRUE(Has(result, c.message)) << result.ToString();
    EXPECT_EQ(Part(0, 132), original) << "nothing written";
  }
  AnsweringHost::Reset([](const XmlObject&) { return "<promptAnswer value='OK'/>"; });
  const XmlObject result = Run(0, "flashPart", "partCode='132' fileName='image.txt'", 0, "FlashPart");
  ASSERT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  const auto prompts = AnsweringHost::Taken("diagPrompt");
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_TRUE(prompts[0].ToString().find("Are you sure you want to program this part?") != std::string::npos);
  std::vector<std::uint8_t> expected = original;
  expected[0] = 0x41, expected[1] = 0x42, expected[2] = 0x43;
  EXPECT_EQ(Part(0, 132), expected);
  EXPECT_EQ(ReadNvramFile("nvrambackup_132_1.txt"), original);
  EXPECT_EQ(ReadNvramFile("nvramdump.txt"), expected);
}

TEST_F(NvramTests, AResourceIsWrittenToItsPartAndReadBack) {
  AnsweringHost::Reset([](const XmlObject&) { return "<promptAnswer value='OK'/>"; });
  XmlObject result = Run(0, "resource130", "", 130, "WriteNvramResourceTest");
  EXPECT_TRUE(Has(result, "Did not find resource tag")) << result.ToString();
  std::vector<std::uint8_t> expected = Part(0, 130);
  dir_.Write("flashpart_130.txt", "52 42\n");
  result = Run(0, "resource130", "", 130, "WriteNvramResourceTest");
  ASSERT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  expected[0] = 0x52, expected[1] = 0x42;
  EXPECT_EQ(Part(0, 130), expected);
  // The midplane's part is an enclosure part, which the reduced-memory board set cannot locate.
  dir_.Write("flashpart_4.txt", "52 42\n");
  result = Run(1, "writeNvramResourceTest", "", 4, "WriteNvramResourceTest");
  EXPECT_TRUE(Has(result, "Unable to locate NVRAM part")) << result.ToString();
}

TEST(QXNvramParser, FindsAFieldByKindTagAndDelimiter) {
  // Records: text 13 "ASSY=A430", binary 14 {1,2,3}, binary 13 ">FBTS", then the end tag.
  const std::vector<std::uint8_t> part = {1,   13,  9,   'A', 'S', 'S', 'Y', '=', 'A', '4', '3',
                                          '0', 0,   14,  3,   1,   2,   3,   0,   13,  5,   '>',
                                          'F', 'B', 'T', 'S', 0,   0,   0,   0,   14,  1,   9};
  const struct {
    std::uint8_t kind, tag;
    char delimiter;
    std::size_t room;
    std::size_t length;
    std::vector<std::uint8_t> copied;
  } cases[] = {
      {1, 13, '=', 4, 4, {'A', '4', '3', '0'}},
      {1, 13, 0, 4, 9, {'A', 'S', 'S', 'Y'}},  // the whole record, cut to the room given
      {0, 14, 0, 3, 3, {1, 2, 3}},
      {0, 13, '>', 8, 4, {'F', 'B', 'T', 'S'}},
      {0, 13, '=', 8, 0, {}},  // no delimiter in the record
      {1, 14, 0, 8, 0, {}},    // kind differs
      {0, 15, 0, 8, 0, {}},    // absent
      {0, 14, 0, 1, 3, {1}},   // the field's length, though only one byte fits
  };
  const QXNvramParser parser(part);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + "/" + std::to_string(c.tag) + "/" + std::to_string(c.delimiter));
    std::vector<std::uint8_t> out(c.room, 0xEE);
    EXPECT_EQ(parser.Find(c.kind, c.tag, c.delimiter, out.data(), out.size()), c.length);
    out.resize(c.copied.size());
    EXPECT_EQ(out, c.copied);
  }
  // The record after the end tag is never reached; a record running past the part ends the list.
  EXPECT_EQ(QXNvramParser({0, 14, 9, 1, 2}).Find(0, 14, 0, nullptr, 0), 0u);
}

TEST_F(NvramTests, AnInstanceReadBackFromThePersistentFormKeepsItsPartAndCaption) {
  auto* test = dynamic_cast<NVRAMTest*>(Controller(0).FindTest("contrllerBattery2NvramTest"));
  ASSERT_NE(test, nullptr) << "the storage-box board offers the battery parts";
  EXPECT_EQ(test->PartCode(), 134);
  EXPECT_EQ(test->Caption(), "Controller battery(2) NVRAM test");
  optstream out;
  test->Stream(out, true, 0);
  iptstream in(out.Bytes());
  NVRAMTest read;
  read.Stream(in, false, 0);
  NVRAMTest assigned;
  assigned.Assign(read);
  for (const NVRAMTest* copy : {&read, &assigned}) {
    EXPECT_EQ(copy->Name(), "contrllerBattery2NvramTest");
    EXPECT_EQ(copy->PartCode(), 134);
    EXPECT_EQ(copy->Caption(), "Controller battery(2) NVRAM test");
    EXPECT_EQ(copy->Describe().ToString().find("WriteFbtCode"), std::string::npos)
        << "not the manufacturing part";
  }
}

}  // namespace
}  // namespace rb
