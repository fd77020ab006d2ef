#include "support/mutex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace rb {
namespace {

// Whether another thread can take the mutex within `milliseconds`.
bool OtherThreadTakes(Mutex& mutex, std::uint32_t milliseconds) {
  bool owned = false;
  std::thread other([&] { owned = MutexLock(mutex, milliseconds).Owned(); });
  other.join();
  return owned;
}

TEST(MutexLock, TimesOutAndGoesAheadOrTakesTheMutex) {
  Mutex mutex;
  {
    MutexLock held(mutex, 0);
    ASSERT_TRUE(held.Owned());
    MutexLock again(mutex, 0);  // the owner may take it again
    EXPECT_TRUE(again.Owned());
    EXPECT_FALSE(OtherThreadTakes(mutex, 20));
  }
  EXPECT_TRUE(OtherThreadTakes(mutex, 20));
}

TEST(Mutex, EveryTakeNeedsItsReleaseAndOnlyTheOwnerReleases) {
  Mutex mutex;
  ASSERT_TRUE(mutex.Wait(0));
  ASSERT_TRUE(mutex.Wait(0));
  mutex.Release();
  EXPECT_FALSE(OtherThreadTakes(mutex, 20)) << "one take is still held";
  std::thread([&] { mutex.Release(); }).join();  // not the owner: ignored
  EXPECT_FALSE(OtherThreadTakes(mutex, 20)) << "a stranger's release freed the mutex";
  mutex.Release();
  EXPECT_TRUE(OtherThreadTakes(mutex, 20));
  mutex.Release();  // not held at all: ignored
  EXPECT_TRUE(mutex.Wait(0));
  mutex.Release();
}

// The guarded sections of several threads never overlap, and each thread sees what the one before it
// wrote (the race detector checks the second part in its build).
TEST(MutexLock, SectionsOfManyThreadsDoNotOverlap) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  Mutex mutex;
  int inside = 0;
  int overlaps = 0;
  long total = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        MutexLock lock(mutex);
        ASSERT_TRUE(lock.Owned());
        if (++inside != 1) ++overlaps;
        ++total;
        --inside;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(total, long{kThreads} * kRounds);
}

// A thread waiting for the mutex gets it as soon as the owner lets go, well within its bound.
TEST(Mutex, AWaiterTakesTheMutexWhenItIsReleased) {
  Mutex mutex;
  ASSERT_TRUE(mutex.Wait(0));
  bool owned = false;
  std::thread waiter([&] { owned = MutexLock(mutex, 10000).Owned(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto released = std::chrono::steady_clock::now();
  mutex.Release();
  waiter.join();
  EXPECT_TRUE(owned);
  EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::seconds(5));
}

}  // namespace
}  // namespace rb
