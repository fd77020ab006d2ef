#include "support/affinity.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/recordingplatform.h"

namespace {

// Answers the affinity it is told to, or fails; the thread identifier is fixed.
class AffinityPlatform : public rbtest::RecordingPlatform {
 public:
  AffinityPlatform() : RecordingPlatform(os::Native()) {}

  bool GetProcessAffinityMask(std::uint64_t* processMask, std::uint64_t* systemMask) override {
    if (!masks) return false;
    *processMask = masks->process;
    *systemMask = masks->system;
    return true;
  }
  bool SetProcessAffinityMask(std::uint64_t mask) override {
    setTo.push_back(mask);
    return masks.has_value();
  }
  win::DWORD GetCurrentThreadId() override { return 0x4D2; }

  struct Masks {
    std::uint64_t process;
    std::uint64_t system;
  };
  std::optional<Masks> masks;
  std::vector<std::uint64_t> setTo;
};

TEST(Affinity, CurrentCpuIsTheLowestProcessorOfTheProcess) {
  std::uint64_t process = 0;
  std::uint64_t system = 0;
  ASSERT_TRUE(os::Current().GetProcessAffinityMask(&process, &system));
  EXPECT_EQ(rb::dvmGetCurrentCPU(), static_cast<std::uint32_t>(std::countr_zero(process)));
  EXPECT_EQ(rb::dvmGetCpuAvailMask(), system);
}

TEST(Affinity, AnswersAndTracesTheMasks) {
  struct Case {
    std::optional<AffinityPlatform::Masks> masks;
    std::uint32_t cpu;
    std::uint64_t available;
    std::string cpuTrace;
    std::string availableTrace;
  };
  const Case cases[] = {
      {AffinityPlatform::Masks{0x6, 0xF}, 1, 0xF, "value 1 - 6", "value F"},
      {AffinityPlatform::Masks{0x1, 0x3}, 0, 0x3, "value 0 - 1", "value 3"},
      {AffinityPlatform::Masks{0x8000000000000000u, 0xFFFFFFFF00000000u}, 63, 0xFFFFFFFF00000000u,
       "value 3F - 0", "value 0"},
      // A failed call answers 1 for both.
      {std::nullopt, 1, 1, "value 1 - 0", "value 1"},
  };
  for (const Case& c : cases) {
    auto platform = std::make_unique<AffinityPlatform>();
    platform->masks = c.masks;
    rbtest::InstalledPlatform installed(std::move(platform));
    auto& fake = static_cast<AffinityPlatform&>(installed.Get());
    EXPECT_EQ(rb::dvmGetCurrentCPU(), c.cpu);
    EXPECT_EQ(rb::dvmGetCpuAvailMask(), c.available);
    EXPECT_EQ(rb::dvmSetTaskAffinity(0x2), c.masks.has_value());
    EXPECT_EQ(fake.setTo, std::vector<std::uint64_t>{0x2});
    const std::vector<std::string> expected = {
        "dvmGetCurrentCPU current process FFFFFFFF thread ID 4D2 " + c.cpuTrace + "\n",
        "dvmGetCpuAvailMask current process FFFFFFFF thread ID 4D2 " + c.availableTrace + "\n",
        "dvmSetTaskAffinity current process FFFFFFFF thread ID 4D2 value 2\n",
    };
    EXPECT_EQ(fake.Output(), expected);
  }
}

}  // namespace
