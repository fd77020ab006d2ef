// The run of a test through the command dispatcher, as a host drives it: attempts and retries, errors,
// device locking, cancellation from a second host thread, the catalog element and the status documents.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "component/answeredcomponent.h"
#include "framework/device.h"
#include "framework/numericparameter.h"
#include "framework/runtestdoubles.h"
#include "framework/testdoubles.h"
#include "ravelbank/host.h"
#include "support/affinity.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::AnsweringHost;
using rbtest::AttemptScriptTest;

using rbtest::SendCommand;

class TestRun : public rbtest::AnsweredComponent {
 protected:
  TestRun() : AnsweredComponent("disk1", "Disk One") {}
  void SetUp() override {
    AnsweredComponent::SetUp();
    device_->SetDescription("SCSI Disk");
  }

  AttemptScriptTest& Add(const std::string& name, const std::string& script, bool locks = false) {
    return AnsweredComponent::Add(std::make_unique<AttemptScriptTest>(name, script, locks));
  }
};

// At most retries + 1 attempts, and none after a pass; the retries attribute counts only when it
// starts with a digit.
TEST_F(TestRun, RetriesRule) {
  const struct {
    const char* script;
    const char* retries;  // null: no attribute
    const char* state;
    std::size_t attempts;
  } cases[] = {
      {"f", nullptr, "failed", 2}, {"f", "0", "failed", 1},  {"f", "abc", "failed", 2}, {"f", "5", "failed", 6},
      {"f", "", "failed", 2},      {"p", "3", "passed", 1},  {"fp", nullptr, "passed", 2},
      {"ep", "1", "passed", 2},  // an error in an attempt that is not the last one is retried
  };
  for (const auto& c : cases) {
    AttemptScriptTest& test = Add("scripted", c.script);
    std::string command = "<runTest device='disk1' test='scripted'";
    if (c.retries != nullptr) command += std::string(" retries='") + c.retries + "'";
    const XmlObject result(SendCommand(command + "/>"));
    EXPECT_EQ(result.GetAttribute("currentState"), c.state) << c.script << " " << (c.retries ? c.retries : "-");
    EXPECT_EQ(test.tries.size(), c.attempts) << c.script << " " << (c.retries ? c.retries : "-");
    EXPECT_EQ(test.tries.front(), "1");
    EXPECT_EQ(test.tries.back(), std::to_string(c.attempts));
  }
}

TEST_F(TestRun, ResultDocumentOfFailedAndPassedRuns) {
  Add("silent", "f");
  const XmlObject silent(SendCommand("<runTest device='disk1' test='silent' loop='4' recordNum='9' retries='0'/>"));
  EXPECT_EQ(silent.Name(), "testResult");
  std::vector<std::string> names;
  for (const XmlAttribute& a : silent.Attributes()) names.push_back(a.name);
  EXPECT_EQ(names, (std::vector<std::string>{"device", "test", "percentComplete", "currentState", "loop", "recordNum",
                                             "OperationCaption", "testTime"}));
  EXPECT_EQ(silent.GetAttribute("percentComplete") + silent.GetAttribute("loop") + silent.GetAttribute("recordNum"),
            "10049");
  EXPECT_EQ(silent.GetAttribute("testTime").find("0:00:0"), 1u);
  EXPECT_EQ(silent.SelectSingleNode("output")->Text(), "attempt 1");
  ASSERT_NE(silent.SelectSingleNode("error"), nullptr);
  EXPECT_EQ(silent.SelectSingleNode("error")->GetAttribute("caption"), "Missing Error Description");

  // An error recorded by the body: the device's description first, the processor last.
  AttemptScriptTest& recorded = Add("recorded", "r");
  const XmlObject failed(SendCommand("<runTest device='disk1' test='recorded' retries='0'/>"));
  const XmlObject* error = failed.SelectSingleNode("error");
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(failed.GetChildren("error").size(), 1u);
  EXPECT_EQ(error->GetAttribute("caption"), "Media error");
  EXPECT_EQ(error->Text(), "SCSI Disk, block 7, Ran on CPU " + std::to_string(recorded.Cpu()));

  Add("good", "p");
  const XmlObject passed(SendCommand("<runTest device='disk1' test='good'/>"));
  EXPECT_EQ(passed.GetAttribute("percentComplete") + passed.GetAttribute("currentState"), "100passed");
  EXPECT_EQ(passed.SelectSingleNode("error"), nullptr);
  // The run's first status document reports 0 percent while running, the last one 100.
  const std::vector<XmlObject> updates = AnsweringHost::Taken("diagUpdate");
  ASSERT_GE(updates.size(), 2u);
  EXPECT_EQ(updates[updates.size() - 2].GetAttribute("currentState") +
                updates[updates.size() - 2].GetAttribute("percentComplete"),
            "running0");
  EXPECT_EQ(updates.back().GetAttribute("percentComplete"), "100");
}

// An error in the last attempt reaches the host as the dispatcher's error, and a locking test leaves
// the device free behind it.
TEST_F(TestRun, ErrorOfTheLastAttemptPropagatesAndFreesTheDevice) {
  AttemptScriptTest& test = Add("broken", "e", /*locks=*/true);
  const XmlObject response(SendCommand("<runTest device='disk1' test='broken'/>"));
  EXPECT_EQ(response.Name(), "error");
  EXPECT_EQ(response.GetAttribute("caption"), "Media error");
  EXPECT_EQ(test.tries.size(), 2u);
  EXPECT_FALSE(device_->Busy());

  // A rejected parameter value ends the run before its first attempt, the device freed too.
  auto timed = std::make_unique<AttemptScriptTest>("timed", "p", true);
  timed->Parameters().Add(std::make_unique<NumericParameter<int>>("timeout", "Timeout", "", 0, 0, 100));
  AttemptScriptTest& held = *timed;
  device_->AddTest(std::move(timed));
  const XmlObject rejected(SendCommand("<runTest device='disk1' test='timed' timeout='5/0'/>"));
  EXPECT_EQ(rejected.GetAttribute("caption"), "Parameter outside acceptable range");
  EXPECT_TRUE(held.tries.empty());
  EXPECT_FALSE(device_->Busy());
}

TEST_F(TestRun, CancelTestFromASecondHostThreadEndsTheRunCanceled) {
  AttemptScriptTest& test = Add("long", "c");
  std::string response;
  std::thread host([&] { response = SendCommand("<runTest device='disk1' test='long' retries='5' loop='2'/>"); });
  ASSERT_TRUE(test.started.Wait());
  const XmlObject cancel(SendCommand("<cancelTest device='disk1' test='long'/>"));
  host.join();
  EXPECT_EQ(cancel.GetAttribute("status"), "Success");
  EXPECT_EQ(cancel.GetAttribute("loop"), "2");
  const XmlObject result(response);
  EXPECT_EQ(result.GetAttribute("currentState"), "canceled");
  EXPECT_EQ(test.tries.size(), 1u);  // no further attempt after the cancel
  EXPECT_EQ(result.SelectSingleNode("error"), nullptr);

  // A cancel that arrives before the first attempt: no attempt runs at all.
  AttemptScriptTest& early = Add("early", "p");
  early.cancelInPrepare = true;
  EXPECT_EQ(XmlObject(SendCommand("<runTest device='disk1' test='early'/>")).GetAttribute("currentState"), "canceled");
  EXPECT_TRUE(early.tries.empty());
}

TEST_F(TestRun, SecondTestIsBlockedWhileALockingTestRuns) {
  AttemptScriptTest& locking = Add("format", "h", /*locks=*/true);
  AttemptScriptTest& other = Add("read", "p");
  AttemptScriptTest& otherLocking = Add("write", "p", true);
  std::string response;
  std::thread host([&] { response = SendCommand("<runTest device='disk1' test='format'/>"); });
  ASSERT_TRUE(locking.started.Wait());
  for (const char* name : {"read", "write"}) {
    const XmlObject blocked(SendCommand(std::string("<runTest device='disk1' test='") + name + "'/>"));
    EXPECT_EQ(blocked.GetAttribute("currentState"), "blocked") << name;
    EXPECT_EQ(blocked.GetAttribute("percentComplete"), "0") << name;
  }
  locking.release.Open();
  host.join();
  EXPECT_EQ(XmlObject(response).GetAttribute("currentState"), "passed");
  EXPECT_TRUE(other.tries.empty());
  EXPECT_TRUE(otherLocking.tries.empty());
  EXPECT_FALSE(device_->Busy());
  EXPECT_EQ(XmlObject(SendCommand("<runTest device='disk1' test='read'/>")).GetAttribute("currentState"), "passed");
}

TEST_F(TestRun, SuperLedModeAndProgress) {
  AttemptScriptTest& test = Add("led", "p");
  const struct {
    const char* attribute;
    bool on;
  } cases[] = {{"", false}, {" superLedTest='0'", false}, {" superLedTest=''", true}, {" superLedTest='1'", true}};
  for (const auto& c : cases) {
    SendCommand(std::string("<runTest device='disk1' test='led'") + c.attribute + "/>");
    EXPECT_EQ(test.SuperLedMode(), c.on) << c.attribute;
  }
  test.SetProgress(3, 0);
  EXPECT_EQ(test.PercentComplete(), 100);
  test.SetProgress(1, 3);
  EXPECT_EQ(test.PercentComplete(), 33);
  test.SetOperationCaption("Reading block 7");
  const XmlObject update = AnsweringHost::Taken("diagUpdate").back();
  EXPECT_EQ(update.GetAttribute("OperationCaption") + "/" + update.GetAttribute("percentComplete"),
            "Reading block 7/33");
}

// A body that pins the process to one processor does not leave the pin behind, also when its last
// attempt raises.
TEST_F(TestRun, AttemptsLeaveTheProcessOnAllProcessors) {
  const std::uint64_t all = dvmGetCpuAvailMask();
  if ((all & (all - 1)) == 0) GTEST_SKIP() << "one processor: nothing to unpin";
  class PinningTest : public AttemptScriptTest {
   public:
    PinningTest(std::string name, std::string script) : AttemptScriptTest(std::move(name), std::move(script)) {}
    bool Execute(const XmlObject& command) override {
      dvmSetTaskAffinity(2);  // processor 1 alone
      return AttemptScriptTest::Execute(command);
    }
  };
  for (const char* script : {"p", "e"}) {
    PinningTest& test = AnsweredComponent::Add(std::make_unique<PinningTest>(script, script));
    SendCommand(std::string("<runTest device='disk1' test='") + script + "' retries='0'/>");
    EXPECT_EQ(test.Cpu(), 1) << script;
    EXPECT_EQ(dvmGetCurrentCPU(), 0u) << script;
  }
}

// A retries value beyond the field's range does not wrap into no attempts at all.
TEST_F(TestRun, HugeRetriesStillRunTheTest) {
  AttemptScriptTest& test = Add("huge", "fp");
  const XmlObject result(SendCommand("<runTest device='disk1' test='huge' retries='99999999999999999999'/>"));
  EXPECT_EQ(result.GetAttribute("currentState"), "passed");
  EXPECT_EQ(test.tries.size(), 2u);
  EXPECT_EQ(test.Retries(), INT32_MAX);
}

TEST(TestCatalog, DescribeWritesFlagsRetriesAndParameters) {
  class CatalogTest : public AttemptScriptTest {
   public:
    CatalogTest(bool rom) : AttemptScriptTest("scsiFormatTest", "p") {
      capabilities_.destructive = true;
      capabilities_.romTest = rom;
      capabilities_.runMeNow = rom;
      disableUiTime_ = rom ? 30 : 0;
      unavailableReason_ = rom ? "no firmware image" : "";
      Parameters().Add(std::make_unique<NumericParameter<int>>("timeout", "Timeout", "", 0, 0, 65535));
    }
  };
  const XmlObject plain = CatalogTest(false).Describe();
  std::vector<std::string> attributes;
  for (const XmlAttribute& a : plain.Attributes()) attributes.push_back(a.name + "=" + a.value);
  EXPECT_EQ(attributes, (std::vector<std::string>{"name=scsiFormatTest", "caption=Script Test",
                                                  "description=Attempts follow a script", "interactive=0",
                                                  "requiresMedia=0", "requiresEquipment=0", "quick=0", "complete=0",
                                                  "requiresWindow=0", "localOnly=0", "singleThread=0",
                                                  "destructive=1", "romTest=0", "fieldtest=0"}));
  ASSERT_EQ(plain.Children().size(), 2u);
  EXPECT_EQ(plain.Children()[0].ToString(),
            "  <parameter name=\"retries\" caption=\"Retries\" description=\"Number of retries if test fails\" "
            "type=\"int\" min=\"0\" max=\"5\" defaultValue=\"1\"/>\n");
  ASSERT_EQ(plain.Children()[1].Children().size(), 1u) << plain.ToString();
  EXPECT_EQ(plain.Children()[1].Children()[0].GetAttribute("name"), "timeout");

  const XmlObject rom = CatalogTest(true).Describe();
  EXPECT_EQ(rom.GetAttribute("runMeNow") + rom.GetAttribute("disableUITime") + rom.GetAttribute("unavailable"),
            "130no firmware image");
  ASSERT_EQ(rom.Children().size(), 1u);  // no retries parameter for a firmware test
  EXPECT_EQ(rom.Children()[0].Children()[0].GetAttribute("name"), "timeout");
}

TEST(TestRunWithoutDevice, RaisesDeviceNotFound) {
  AttemptScriptTest orphan("orphan", "p");
  try {
    orphan.Run(XmlObject("<runTest/>"));
    ADD_FAILURE() << "ran without a device";
  } catch (const OruError& error) {
    EXPECT_EQ(error.Message(), "Device not found");
  }
  EXPECT_TRUE(orphan.tries.empty());
}

}  // namespace
}  // namespace rb
