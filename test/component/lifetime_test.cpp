// How long devices and the component live when host threads and the host's callback act on them while
// a command runs: a command keeps what it uses until it returns.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "framework/testdoubles.h"
#include "ravelbank/host.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::RecordingDevice;
using rbtest::ScriptedTest;

std::string Send(const std::string& command) {
  char* answer = ExecuteXMLCommand(command.c_str());
  std::string text = answer != nullptr ? answer : "(null)";
  OruFree(answer);
  return text;
}

char* RAVELBANK_HOST_CALL IgnoreEvents(const char*) {
  return nullptr;
}

// Each discovery replaces the device set with a new disk0 that has one passing test.
class RediscoveringComponent : public TestComponent {
 public:
  std::string IdentifyDevices() override {
    ClearDevices();
    auto disk = std::make_unique<RecordingDevice>("disk0");
    disk->AddTest(std::make_unique<ScriptedTest>("pass", "passed", "ok"));
    AddDevice(std::move(disk));
    return "<idResult/>\n";
  }
  std::string StreamableName() const override { return "RediscoveringComponent"; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<RediscoveringComponent>(); }
};

// The sanitizers find a device freed under a running test or a cancelTest; the answers show that
// every command ended on a device of its own or found none.
TEST(DeviceLifetime, DiscoveryRacingRunTestAndCancelTest) {
#if defined(__SANITIZE_THREAD__)
  constexpr int kRounds = 2000;  // ThreadSanitizer sees the same interleavings in fewer rounds
#else
  constexpr int kRounds = 20000;
#endif
  auto component = std::make_shared<RediscoveringComponent>();
  component->SetCallback(&IgnoreEvents);
  std::shared_ptr<TestComponent> previous = ExchangeComponent(component);
  component->IdentifyDevices();

  std::atomic<int> unexpected{0};
  std::atomic<int> ranOnADevice{0};
  std::string firstUnexpected;
  std::atomic_flag noted;
  const auto check = [&](const std::string& answer, bool ranOrCancelled) {
    const XmlObject document(answer);
    const XmlObject* error = document.Name() == "error" ? &document : document.SelectSingleNode("error");
    if (ranOrCancelled) {
      ++ranOnADevice;
      return;
    }
    if (error == nullptr || error->GetAttribute("caption") != "Device not found") {
      if (!noted.test_and_set()) firstUnexpected = answer;
      ++unexpected;
    }
  };
  std::thread discovery([&] {
    for (int i = 0; i < kRounds; ++i) Send("<id/>");
  });
  std::thread runner([&] {
    for (int i = 0; i < kRounds; ++i) {
      const std::string answer = Send("<runTest device='disk0' test='pass'/>");
      const std::string state = XmlObject(answer).GetAttribute("currentState");
      check(answer, state == "passed" || state == "canceled");
    }
  });
  std::thread canceller([&] {
    for (int i = 0; i < kRounds; ++i) {
      const std::string answer = Send("<cancelTest device='disk0' test='pass'/>");
      check(answer, XmlObject(answer).GetAttribute("type") == "cancelTest");
    }
  });
  discovery.join();
  runner.join();
  canceller.join();
  EXPECT_EQ(unexpected.load(), 0) << firstUnexpected;
  EXPECT_GT(ranOnADevice.load(), 0);
  ExchangeComponent(std::move(previous));
}

TEST(DeviceLifetime, ReplacedDeviceStaysWithItsUser) {
  RediscoveringComponent component;
  component.IdentifyDevices();
  const std::shared_ptr<Device> held = component.HoldDevice("disk0");
  component.IdentifyDevices();
  ASSERT_NE(component.FindDevice("disk0"), nullptr);
  EXPECT_NE(component.FindDevice("disk0"), held.get());  // a new device of the same name
  EXPECT_EQ(held->FindTest("pass")->Name(), "pass");     // the old one is still whole
  component.ClearDevices();
  EXPECT_EQ(component.HoldDevice("disk0"), nullptr);
  EXPECT_EQ(held.use_count(), 1);
}

// What the callback does when it sees the first event of the command.
struct Reentry {
  static void (*call)();
  static std::atomic<int> calls;
  static char* RAVELBANK_HOST_CALL Callback(const char*) {
    if (calls++ == 0) call();
    return nullptr;
  }
};
void (*Reentry::call)() = nullptr;
std::atomic<int> Reentry::calls{0};

// A callback that uninitialises or re-initialises the component while a command runs on it: the
// command ends on the component it started with, and the call takes effect when it has returned.
TEST(ComponentLifetime, CallbackUninitializeOrInitializeTakesEffectAfterTheCommand) {
  const struct {
    const char* command;
    const char* answer;
    void (*call)();
    bool initializedAfter;
  } cases[] = {
      {"<id/>", "idResult", [] { Uninitialize(nullptr); }, false},
      {"<catalog/>", "catResult", [] { Uninitialize(nullptr); }, false},
      {"<id/>", "idResult", [] { Initialize("<options component='second.so'/>"); }, true},
      {"<catalog/>", "catResult", [] { Initialize("<options component='second.so'/>"); }, true},
  };
  for (const auto& c : cases) {
    Initialize("<options component='first.so'/>");
    OruFree(SetCallback(&Reentry::Callback));
    Reentry::call = c.call;
    Reentry::calls = 0;
    const XmlObject answer(Send(c.command));
    EXPECT_EQ(answer.Name(), c.answer) << c.command;
    EXPECT_GT(Reentry::calls.load(), 0) << c.command;
    EXPECT_EQ(IsInitialized(), c.initializedAfter) << c.command;
    if (c.initializedAfter) {
      EXPECT_EQ(ComponentInstance()->ComponentName(), "second.so");
    }
    Uninitialize(nullptr);
  }
}

}  // namespace
}  // namespace rb
