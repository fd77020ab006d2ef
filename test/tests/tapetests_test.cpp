// The tape tests run on a simulated drive through the component, with the operator's answers from the
// host's callback: the eject test waiting for a tape, the destructive media test that writes nothing
// before the operator confirms and reports what failed, and the insert test that touches nothing.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "devices/tapebench.h"
#include "framework/runtestdoubles.h"
#include "framework/test.h"
#include "framework/testfactory.h"
#include "ravelbank/host.h"
#include "support/xmlobject.h"

namespace {

using rbtest::AnsweringHost;

// The component with the bench's tape as its device "scsiTape", carrying the tape tests.
class TapeRun {
 public:
  explicit TapeRun(const std::string& attributes, const std::string& children = "") : bench_(attributes, children) {
    Initialize("<options component='storage.so'/>");
    OruFree(SetCallback(&AnsweringHost::Callback));
    auto tape = bench_.MakeTape();
    for (const char* test : {"ScsiEjectTapeTest", "ScsiTapeTest", "ScsiInsertTapeTest"})
      tape->AddTest(rb::MakeTest(test));
    rb::ComponentInstance()->AddDevice(std::move(tape));
  }
  ~TapeRun() {
    Uninitialize(nullptr);
    AnsweringHost::Reset(nullptr);
  }

  // Runs the test once, answering each prompt with `answer`; counts the prompts.
  rb::XmlObject Run(const std::string& test, const char* answer = "<promptAnswer value='OK'/>") {
    AnsweringHost::Reset([answer](const rb::XmlObject&) { return answer; });
    char* result = ExecuteXMLCommand(("<runTest device='scsiTape' test='" + test + "' retries='0'/>").c_str());
    const rb::XmlObject parsed{std::string(result != nullptr ? result : "")};
    OruFree(result);
    prompts = static_cast<int>(AnsweringHost::Taken("diagPrompt").size());
    return parsed;
  }
  rbtest::TapeWatch& Watch() { return bench_.Watch(); }

  int prompts = 0;

 private:
  rbtest::TapeBench bench_;
};

bool Has(const rb::XmlObject& result, const std::string& text) {
  return result.ToString().find(text) != std::string::npos;
}

TEST(TapeTests, EjectTestWaitsForATapeAfterAskingForOne) {
  struct Case {
    const char* attributes;
    const char* state;
    int prompts;
    int checks;
  };
  for (const Case c : {
           Case{"medium=\"1\"", "passed", 0, 1},
           // Ready after the prompt on the third check.
           Case{"medium=\"1\" becomesReadyAfter=\"3\"", "passed", 1, 4},
           Case{"", "failed", 1, 11},
       }) {
    TapeRun run(c.attributes);
    const rb::XmlObject result = run.Run("scsiEjectTapeTest");
    EXPECT_EQ(result.GetAttribute("currentState"), c.state) << c.attributes;
    EXPECT_EQ(run.prompts, c.prompts) << c.attributes;
    EXPECT_EQ(run.Watch().readinessChecks, c.checks) << c.attributes;
    if (std::string(c.state) == "failed") {
      EXPECT_TRUE(Has(result, "Media not present in drive")) << result.ToString();
    } else {
      // The tape left the drive.
      EXPECT_EQ(run.Run("scsiEjectTapeTest").GetAttribute("currentState"), "failed") << c.attributes;
    }
  }
}

TEST(TapeTests, MediaTestWritesOnlyAfterConfirmationAndSaysWhatFailed) {
  struct Case {
    const char* what;
    const char* attributes;
    const char* children;
    const char* answer;
    int corruptRead;
    const char* state;
    const char* error;
    const char* detail;
    int blocksWritten;
  };
  const char* ok = "<promptAnswer value='OK'/>";
  for (const Case& c : {
           Case{"a good tape", "medium=\"1\"", "", ok, 0, "passed", "", "", 8},
           Case{"the operator declines", "medium=\"1\"", "", "<promptAnswer value='Cancel'/>", 0, "canceled", "", "",
                0},
           Case{"no answer at all", "medium=\"1\"", "", "<promptAnswer/>", 0, "canceled", "", "", 0},
           Case{"the rewind fails", "medium=\"1\"", R"(<fault opcode="0x01" sense="4" asc="0x44" ascq="0"/>)", ok,
                0, "failed", "Unable to Rewind Tape", "", 0},
           Case{"no tape", "", "", ok, 0, "failed", "Unable to Rewind Tape", "There is no media in the drive.", 0},
           Case{"a write-protected tape", "medium=\"1\" writeProtect=\"1\"", "", ok, 0, "failed", "Media Test Failed",
                "The media is write protected.", 1},
           Case{"a cleaning request", "medium=\"1\" cleaning=\"1\"", "", ok, 0, "failed", "Media Test Failed",
                "The tape drive reports that it requires cleaning.", 0},
           Case{"a block reads back changed", "medium=\"1\"", "", ok, 3, "failed", "Media Test Failed",
                "differs in block 2 at byte 100", 8},
       }) {
    TapeRun run(c.attributes, c.children);
    run.Watch().corruptRead = c.corruptRead;
    const rb::XmlObject result = run.Run("scsiTapeTest", c.answer);
    EXPECT_EQ(result.GetAttribute("currentState"), c.state) << c.what;
    EXPECT_EQ(run.prompts, 1) << c.what;
    EXPECT_EQ(run.Watch().blocksWritten, c.blocksWritten) << c.what;
    EXPECT_TRUE(Has(result, c.error)) << c.what << ": " << result.ToString();
    EXPECT_TRUE(Has(result, c.detail)) << c.what << ": " << result.ToString();
    if (c.blocksWritten == 0) {
      EXPECT_EQ(run.Watch().marksWritten, 0) << c.what;
    }
  }
}

TEST(TapeTests, InsertTestTouchesNothingAndOffersOnlyRetries) {
  TapeRun run("");
  EXPECT_EQ(run.Run("scsiInsertTapeTest").GetAttribute("currentState"), "passed");
  EXPECT_EQ(run.prompts, 0);
  EXPECT_EQ(run.Watch().readinessChecks, 0);
  const rb::XmlObject insert = rb::MakeTest("ScsiInsertTapeTest")->Describe();
  ASSERT_EQ(insert.GetChildren("parameter").size(), 1u);
  EXPECT_EQ(insert.GetChildren("parameter")[0]->GetAttribute("name"), "retries");
  const rb::XmlObject media = rb::MakeTest("ScsiTapeTest")->Describe();
  EXPECT_EQ(media.GetAttribute("destructive"), "1");
  EXPECT_EQ(media.GetAttribute("interactive"), "1");
}

}  // namespace
