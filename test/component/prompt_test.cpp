// Operator prompts as the host sees them: the diagPrompt document, the answer read from the host's
// reply, the attempt suffix, super-LED pictures, and concurrent prompts entering the host's callback
// from two threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "framework/concurrentprompt.h"
#include "component/answeredcomponent.h"
#include "framework/device.h"
#include "framework/runtestdoubles.h"
#include "framework/testdoubles.h"
#include "ravelbank/host.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::AnsweringHost;
using rbtest::PromptingTest;

using rbtest::SendCommand;

class Prompts : public rbtest::AnsweredComponent {
 protected:
  Prompts() : AnsweredComponent("cdrom0", "CD-ROM Drive") {}
};

TEST_F(Prompts, TheHostAnswersTheDocumentAndLaterAttemptsSayWhichTry) {
  PromptingTest& test = Add(std::make_unique<PromptingTest>("trayTest"));
  std::vector<std::string> statesSeen;
  int asked = 0;
  AnsweringHost::Reset([&](const XmlObject&) {
    statesSeen.push_back(test.CurrentState());
    return ++asked == 1 ? "<promptAnswer value='Retry'/>" : "<promptAnswer value='OK'/>";
  });
  const XmlObject result(SendCommand("<runTest device='cdrom0' test='trayTest' loop='3' recordNum='8'/>"));
  EXPECT_EQ(result.GetAttribute("currentState"), "passed");
  EXPECT_EQ(test.answers, (std::vector<std::string>{"Retry", "OK"}));
  EXPECT_EQ(statesSeen, (std::vector<std::string>{"waitingForPrompt", "waitingForPrompt"}));

  const std::vector<XmlObject> prompts = AnsweringHost::Taken("diagPrompt");
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].ToString(),
            "<diagPrompt test=\"trayTest\" device=\"cdrom0\" type=\"button\" width=\"300\" height=\"100\" loop=\"3\" "
            "recordNum=\"8\">Insert a disc    <option caption=\"OK\"/>\n  <option caption=\"Retry\"/>\n"
            "</diagPrompt>\n");
  // The message is the element's text; the writer indents the options after it.
  EXPECT_EQ(Trim(prompts[1].Text()), "Insert a disc (try #2)");
  // Each question is announced first.
  std::vector<std::string> announced;
  for (const XmlObject& e : AnsweringHost::Taken("diagEvent"))
    if (e.GetAttribute("caption") == "Test Prompts User") announced.push_back(e.GetAttribute("description"));
  EXPECT_EQ(announced, (std::vector<std::string>{"CD-ROM Drive - Prompt Test;Insert a disc",
                                                 "CD-ROM Drive - Prompt Test;Insert a disc (try #2)"}));
}

TEST_F(Prompts, RepliesWithoutAValueAndWithoutAComponent) {
  PromptingTest& test = Add(std::make_unique<PromptingTest>("ask"));
  AnsweringHost::Reset([](const XmlObject&) { return "<promptAnswer/>"; });
  EXPECT_EQ(XmlObject(SendCommand("<runTest device='cdrom0' test='ask' retries='0'/>")).GetAttribute("currentState"),
            "failed");
  EXPECT_EQ(test.answers, std::vector<std::string>{""});
  EXPECT_EQ(test.CurrentState(), "failed");

  // The test keeps its device; without a component the question gets the empty answer.
  std::shared_ptr<TestComponent> component = ExchangeComponent(nullptr);
  EXPECT_EQ(test.Prompt("Press a key", {}, "button", "1", "1"), "");
  ExchangeComponent(std::move(component));
}

TEST_F(Prompts, OnlyInteractiveTestsMayPrompt) {
  class QuietTest : public PromptingTest {
   public:
    QuietTest() : PromptingTest("quiet") { capabilities_.interactive = false; }
  };
  const XmlObject response(SendCommand("<runTest device='cdrom0' test='quiet'/>"));
  EXPECT_EQ(response.GetAttribute("caption"), "Test not found");
  Add(std::make_unique<QuietTest>());
  const XmlObject refused(SendCommand("<runTest device='cdrom0' test='quiet'/>"));
  EXPECT_EQ(refused.Name(), "error");
  EXPECT_EQ(refused.GetAttribute("caption"), "Invalid Prompt: test is not interactive");
  EXPECT_TRUE(AnsweringHost::Taken("diagPrompt").empty());
}

TEST_F(Prompts, SuperLedModeShowsPicturesAndTheBlankTitleWins) {
  PromptingTest& test = Add(std::make_unique<PromptingTest>("led"));
  AnsweringHost::Reset([](const XmlObject&) { return "<promptAnswer value='OK'/>"; });
  SendCommand("<runTest device='cdrom0' test='led' superLedTest='1'/>");
  test.SetBlankTitle(true);
  SendCommand("<runTest device='cdrom0' test='led' superLedTest='1'/>");
  const std::vector<XmlObject> prompts = AnsweringHost::Taken("diagPrompt");
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].GetAttribute("titleCaption"), "Super LED Test");
  EXPECT_EQ(prompts[1].GetAttribute("titleCaption"), "  ");
  ASSERT_EQ(prompts[0].Children().size(), 2u);
  EXPECT_EQ(prompts[0].Children()[1].ToString(), "  <option caption=\"Retry\" hotkey=\"h\" image=\"HDSCSI.BMP\"/>\n");
}

// The LED question offers the twelve pictures; more options than pictures are not offered.
TEST_F(Prompts, LedPromptOffersTheImageTable) {
  class LedTest : public PromptingTest {
   public:
    LedTest() : PromptingTest("blink") {}
    bool Execute(const XmlObject&) override {
      auto led = StartLedPrompt();
      auto extra = StartConcurrentPrompt("Too many", std::vector<std::string>(15, "x"), "button", "1", "1");
      numbers = {led->WaitFor(std::chrono::seconds(10)) ? led->Answer() : -1,
                 extra->WaitFor(std::chrono::seconds(10)) ? extra->Answer() : -1};
      return true;
    }
  };
  LedTest& test = dynamic_cast<LedTest&>(Add(std::make_unique<LedTest>()));
  AnsweringHost::Reset([](const XmlObject& prompt) {
    return Trim(prompt.Text()) == "Too many" ? "<promptAnswer value='x'/>" : "<promptAnswer value='3'/>";
  });
  SendCommand("<runTest device='cdrom0' test='blink' superLedTest='yes'/>");
  EXPECT_EQ(test.numbers, (std::vector<std::int32_t>{3, 0}));  // "x" is no number
  std::vector<XmlObject> prompts = AnsweringHost::Taken("diagPrompt");
  ASSERT_EQ(prompts.size(), 2u);
  if (Trim(prompts[0].Text()) == "Too many") std::swap(prompts[0], prompts[1]);
  const XmlObject& led = prompts[0];
  EXPECT_EQ(Trim(led.Text()), "Select the device that its LED is blinking");
  EXPECT_EQ(led.GetAttribute("type") + led.GetAttribute("width") + led.GetAttribute("height"), "button500200");
  ASSERT_EQ(led.Children().size(), 12u);
  EXPECT_EQ(led.Children()[2].ToString(), "  <option caption=\"CDROM Drive\" hotkey=\"c\" image=\"cdrom.BMP\"/>\n");
  EXPECT_EQ(led.Children()[11].GetAttribute("caption"), "Combo Drive");
  EXPECT_EQ(prompts[1].Children().size(), 12u);
}

// Two questions wait for the operator at the same time: the host's callback is entered from both
// threads before either is answered, and the test reads "waitingForPrompt" until both are.
TEST_F(Prompts, ConcurrentPromptsEnterTheCallbackTogether) {
  PromptingTest& test = Add(std::make_unique<PromptingTest>("pair", /*concurrent=*/true));
  std::mutex mutex;
  std::condition_variable arrived;
  int inside = 0;
  std::atomic<bool> bothInside{false};
  std::vector<std::string> states;
  AnsweringHost::Reset([&](const XmlObject& prompt) {
    std::unique_lock<std::mutex> lock(mutex);
    ++inside;
    arrived.notify_all();
    if (arrived.wait_for(lock, std::chrono::seconds(10), [&] { return inside == 2; })) bothInside = true;
    states.push_back(test.CurrentState());
    return Trim(prompt.Text()) == "First question" ? "<promptAnswer value='7'/>" : "<promptAnswer value='9'/>";
  });
  const XmlObject result(SendCommand("<runTest device='cdrom0' test='pair'/>"));
  EXPECT_TRUE(bothInside);
  EXPECT_EQ(result.GetAttribute("currentState"), "passed");
  EXPECT_EQ(test.numbers, (std::vector<std::int32_t>{7, 9}));
  ASSERT_EQ(states.size(), 2u);
  EXPECT_EQ(states[0], "waitingForPrompt");  // the other question still waits
}

}  // namespace
}  // namespace rb
