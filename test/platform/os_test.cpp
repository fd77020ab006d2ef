#include "platform/os.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <thread>

#include "platform/linux/linuxplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"

namespace {

constexpr const char* kMachineVariable = "RAVELBANK_MACHINE";

// Each test starts with no backend chosen and leaves the variable and the backend as it found them.
class CurrentPlatformTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* value = ::getenv(kMachineVariable)) saved_ = value;
    os::Install(nullptr);
  }
  void TearDown() override {
    if (saved_) {
      ::setenv(kMachineVariable, saved_->c_str(), 1);
    } else {
      ::unsetenv(kMachineVariable);
    }
    os::Install(nullptr);
  }
  void SetMachine(const std::optional<std::string>& value) {
    if (value) {
      ::setenv(kMachineVariable, value->c_str(), 1);
    } else {
      ::unsetenv(kMachineVariable);
    }
  }

  rbtest::ScratchDir dir;
  std::string machineFile = dir.Write("bench.xml", "<machine name=\"bench\"/>");

 private:
  std::optional<std::string> saved_;
};

TEST_F(CurrentPlatformTest, ChoosesByTheMachineVariable) {
  struct Case {
    std::optional<std::string> variable;
    std::string backend;
  };
  const Case cases[] = {{std::nullopt, "linux"}, {std::string(), "linux"}, {machineFile, "sim"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variable.value_or("(unset)"));
    SetMachine(c.variable);
    os::Install(nullptr);
    os::Platform& chosen = os::Current();
    EXPECT_EQ(chosen.Name(), c.backend);
    EXPECT_EQ(&os::Current(), &chosen);
    EXPECT_EQ(&chosen == &os::Native(), c.backend == "linux");
  }
  auto* sim = dynamic_cast<os::SimPlatform*>(&os::Current());
  ASSERT_NE(sim, nullptr);
  EXPECT_EQ(sim->Machine().Description().GetAttribute("name"), "bench");
}

TEST_F(CurrentPlatformTest, UnusableMachineRaisesUntilTheVariableIsFixed) {
  SetMachine(dir.File("absent.xml"));
  EXPECT_THROW(os::Current(), os::MachineError);
  EXPECT_THROW(os::Current(), os::MachineError);
  SetMachine(machineFile);
  EXPECT_STREQ(os::Current().Name(), "sim");
}

TEST_F(CurrentPlatformTest, InstallReplacesAndRestoresTheDefault) {
  SetMachine(std::nullopt);
  auto mine = std::make_unique<os::LinuxPlatform>();
  os::Platform* const installed = mine.get();
  EXPECT_EQ(os::Install(std::move(mine)), nullptr);
  EXPECT_EQ(&os::Current(), installed);
  EXPECT_NE(&os::Current(), &os::Native());

  const auto previous = os::Install(nullptr);
  EXPECT_EQ(previous.get(), installed);
  EXPECT_EQ(&os::Current(), &os::Native());
}

TEST_F(CurrentPlatformTest, ThreadsRacingForTheFirstChoiceGetOneBackend) {
  SetMachine(machineFile);
  os::Platform* seen[2] = {};
  std::thread a([&] { seen[0] = &os::Current(); });
  std::thread b([&] { seen[1] = &os::Current(); });
  a.join();
  b.join();
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_STREQ(seen[0]->Name(), "sim");
}

}  // namespace
