// The run environment read from diagconfig.xml and from the registry, through the backend a host
// selects: the answers of the configuration file, its caching, and the preinstallation key.
#include "support/runenvironment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "support/wholefile.h"

namespace rb {
namespace {

// Counts the registry opens that reach the machine.
class CountingPlatform : public rbtest::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  win::DWORD RegOpenKey(win::HKEY root, const std::string& subKey, win::DWORD access, win::HKEY* key) override {
    ++opens;
    return ForwardingPlatform::RegOpenKey(root, subKey, access, key);
  }
  std::atomic<int> opens{0};
};

class RunEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    ForgetRunEnvironmentForTesting();
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    ForgetRunEnvironmentForTesting();
  }

  rbtest::ScratchDir dir_;
  std::filesystem::path previous_;
};

TEST_F(RunEnvironment, ConfigurationAnswers) {
  const struct {
    const char* diagconfig;  // null: no file
    bool factory, windlass, surveyOnly, healthDriver;
  } cases[] = {
      {nullptr, false, false, false, true},
      {"<diagconfig><FACTORY/></diagconfig>", true, false, false, true},
      {"<x><Windlass>ignored</Windlass><vm healthDriver='0'/></x>", false, true, false, false},
      {"<x><vm healthDriver='00'/></x>", false, false, false, true},
      {"<x><mode surveyOnly='1' envior='online'/></x>", false, false, true, true},
      {"<x><mode surveyOnly='1' envior='Online'/></x>", false, false, false, true},  // values keep their case
      {"<x><factory/><mode surveyOnly='1' envior='factory'/></x>", true, false, true, true},
      {"<x><mode surveyOnly='yes' envior='online'/></x>", false, false, false, true},
  };
  for (const auto& c : cases) {
    std::filesystem::remove("diagconfig.xml");
    if (c.diagconfig != nullptr) dir_.Write("diagconfig.xml", c.diagconfig);
    ForgetRunEnvironmentForTesting();
    const std::string label = c.diagconfig != nullptr ? c.diagconfig : "(no file)";
    EXPECT_EQ(IsFactory(), c.factory) << label;
    EXPECT_EQ(IsWindlass(), c.windlass) << label;
    EXPECT_EQ(IsSurveyOnly(), c.surveyOnly) << label;
    EXPECT_EQ(UseHealthDriver(), c.healthDriver) << label;
  }
}

// A read file is kept; a malformed one is read again at the next question.
TEST_F(RunEnvironment, ReadOnceUnlessMalformed) {
  dir_.Write("diagconfig.xml", "<x><factory/></x>");
  EXPECT_TRUE(IsFactory());
  dir_.Write("diagconfig.xml", "<x/>");
  EXPECT_TRUE(IsFactory());

  ForgetRunEnvironmentForTesting();
  dir_.Write("diagconfig.xml", "<x><windlass></x>");
  EXPECT_FALSE(IsFactory());
  dir_.Write("diagconfig.xml", "<x><factory/><tc name='ravelbank.so' IDE_Disable='1'/></x>");
  EXPECT_TRUE(IsFactory());
  EXPECT_EQ(ConfigurationValue("tc[@#name='ravelbank']/@IDE_Disable"), "1");
  EXPECT_EQ(ConfigurationValue("tc[@#name='ravelbank']/@SCSI_Disable"), "");
}

// diagconfig.xml holds a few settings: one beyond the configuration files' limit is refused unread (a
// large one used to stay in memory for the life of the process) and the questions are answered as
// without it.
TEST_F(RunEnvironment, OversizedConfigurationIsRefused) {
  const std::string factory = "<x><factory/></x>";
  const std::string padding(kConfigurationFileBytes - factory.size(), ' ');
  dir_.Write("diagconfig.xml", factory + padding + " ");
  EXPECT_FALSE(IsFactory());
  dir_.Write("diagconfig.xml", factory + padding);  // exactly the limit
  ForgetRunEnvironmentForTesting();  // a refused file is kept as a missing one is
  EXPECT_TRUE(IsFactory());
}

TEST_F(RunEnvironment, PreinstallationKeyIsAskedOnce) {
  const struct {
    const char* machine;
    bool winPe;
  } cases[] = {
      {"<machine><registry><key path='SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinPE'/></registry></machine>",
       true},
      {"<machine/>", false},
  };
  for (const auto& c : cases) {
    os::SimPlatform machine(dir_.Write("machine.xml", c.machine));
    auto counting = std::make_unique<CountingPlatform>(machine);
    CountingPlatform& seen = *counting;
    rbtest::InstalledPlatform installed(std::move(counting));
    ForgetRunEnvironmentForTesting();
    EXPECT_EQ(IsWinPE(), c.winPe) << c.machine;
    EXPECT_EQ(IsWinPE(), c.winPe) << c.machine;
    EXPECT_EQ(seen.opens.load(), 1) << c.machine;
  }
}

}  // namespace
}  // namespace rb
