#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <bit>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/linux/linuxplatform.h"

namespace {

std::uint64_t ThreadMask() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return 0;
  std::uint64_t mask = 0;
  for (int cpu = 0; cpu < 64; ++cpu) {
    if (CPU_ISSET(cpu, &set)) mask |= std::uint64_t{1} << cpu;
  }
  return mask;
}

TEST(LinuxAffinity, ProcessMaskLiesWithinTheSystemMask) {
  os::LinuxPlatform platform;
  std::uint64_t process = 0;
  std::uint64_t system = 0;
  ASSERT_TRUE(platform.GetProcessAffinityMask(&process, &system));
  EXPECT_NE(process, 0u);
  EXPECT_EQ(process & ~system, 0u);
  EXPECT_EQ(process, ThreadMask());
}

TEST(LinuxAffinity, RefusesMasksOutsideTheSystem) {
  os::LinuxPlatform platform;
  std::uint64_t process = 0;
  std::uint64_t system = 0;
  ASSERT_TRUE(platform.GetProcessAffinityMask(&process, &system));
  const std::uint64_t outside = ~system & (system + 1);  // the lowest processor not in the system
  for (const std::uint64_t mask : {std::uint64_t{0}, outside}) {
    SCOPED_TRACE(mask);
    EXPECT_FALSE(platform.SetProcessAffinityMask(mask));
    EXPECT_EQ(platform.GetLastError(), win::ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(ThreadMask(), process);
}

// The mask reaches a thread that was already running, as SetProcessAffinityMask does on Windows.
TEST(LinuxAffinity, SetsEveryThreadOfTheProcess) {
  os::LinuxPlatform platform;
  std::uint64_t process = 0;
  std::uint64_t system = 0;
  ASSERT_TRUE(platform.GetProcessAffinityMask(&process, &system));
  const std::uint64_t lowest = process & (~process + 1);

  std::mutex mutex;
  std::condition_variable changed;
  bool set = false;
  std::uint64_t seenByOther = 0;
  std::thread other([&] {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return set; });
    seenByOther = ThreadMask();
  });
  const bool ok = platform.SetProcessAffinityMask(lowest);
  {
    std::lock_guard lock(mutex);
    set = true;
  }
  changed.notify_all();
  other.join();
  std::uint64_t now = 0;
  EXPECT_TRUE(platform.GetProcessAffinityMask(&now, &system));
  EXPECT_TRUE(platform.SetProcessAffinityMask(process));

  EXPECT_TRUE(ok);
  EXPECT_EQ(now, lowest);
  EXPECT_EQ(seenByOther, lowest);
  EXPECT_EQ(ThreadMask(), process);
}

TEST(LinuxThreadId, IsTheKernelThreadId) {
  os::LinuxPlatform platform;
  // Tests run on the first thread of the process, whose id is the process's; other threads have their own.
  win::DWORD other = 0;
  std::thread([&] { other = platform.GetCurrentThreadId(); }).join();
  EXPECT_EQ(platform.GetCurrentThreadId(), static_cast<win::DWORD>(::getpid()));
  EXPECT_NE(other, platform.GetCurrentThreadId());
  EXPECT_NE(other, 0u);
}

}  // namespace
