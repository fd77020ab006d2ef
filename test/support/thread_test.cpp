#include "support/thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/recordingplatform.h"

namespace {

using std::chrono::milliseconds;

// Bound of every wait for a thread in these tests; reaching it means the test failed.
constexpr milliseconds kPatience{10000};

// What a body and the test share: the test holds the body inside Run until it opens the gate, and
// the body reports what it saw.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool entered = false;
  bool open = false;
  bool finished = false;   // Run got to its end
  bool intact = false;     // the body found its own object as it left it, after the gate opened
  bool destroyed = false;  // the object's destructor ran
  bool destroyedAfterRun = false;

  void Set(bool Gate::*flag) {
    {
      std::lock_guard lock(mutex);
      this->*flag = true;
    }
    changed.notify_all();
  }
  // Waits (bounded) for a flag; true when it was set.
  bool Await(bool Gate::*flag) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, kPatience, [&] { return this->*flag; });
  }
};

// A body blocked on something the test controls, without polling StopRequested (as in a device
// request or the host's callback).
class BlockedThread : public rb::Thread {
 public:
  explicit BlockedThread(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  ~BlockedThread() override {
    gate_->destroyedAfterRun = gate_->finished;
    gate_->Set(&Gate::destroyed);
  }

  void Run() override {
    gate_->Set(&Gate::entered);
    gate_->Await(&Gate::open);
    // Touch the object's own memory after the starter may have given up on it.
    payload_.append(" and after");
    gate_->intact = payload_ == "before and after" && StopRequested() == stopExpected_;
    gate_->Set(&Gate::finished);
  }

  bool stopExpected_ = false;

 private:
  std::shared_ptr<Gate> gate_;
  std::string payload_ = "before";
};

// A body that works in steps and ends when asked.
class CooperativeThread : public rb::Thread {
 public:
  void Run() override {
    while (!StopRequested()) {
      ++steps;
      std::this_thread::yield();
    }
  }
  std::atomic<int> steps{0};
};

// The traces of a scope, through a recorder over the native backend.
class Traces {
 public:
  Traces() {
    auto recorder = std::make_unique<rbtest::RecordingPlatform>(os::Native());
    recorder_ = recorder.get();
    installed_ = std::make_unique<rbtest::InstalledPlatform>(std::move(recorder));
  }
  std::vector<std::string> Lines() const { return recorder_->Output(); }

 private:
  rbtest::RecordingPlatform* recorder_;
  std::unique_ptr<rbtest::InstalledPlatform> installed_;
};

// A BlockedThread started and inside Run.
class BlockedThreadTest : public testing::Test {
 protected:
  // A test that failed half-way does not leave its body waiting.
  void TearDown() override { gate->Set(&Gate::open); }
  void StartBlocked(bool stopExpected) {
    thread->stopExpected_ = stopExpected;
    ASSERT_TRUE(thread->Start());
    ASSERT_TRUE(gate->Await(&Gate::entered));
  }

  std::shared_ptr<Gate> gate = std::make_shared<Gate>();
  std::shared_ptr<BlockedThread> thread = std::make_shared<BlockedThread>(gate);
};

class ValueThread : public rb::Thread {
 public:
  void Run() override { value = 42; }
  int value = 0;
};

TEST(Thread, StartRunsTheBodyAndTraces) {
  Traces traces;
  auto thread = std::make_shared<ValueThread>();
  EXPECT_FALSE(thread->Done());
  ASSERT_TRUE(thread->Start());
  thread->Wait();
  EXPECT_TRUE(thread->Done());
  EXPECT_EQ(thread->value, 42);
  EXPECT_EQ(thread->State(), rb::ThreadPhoManager::kIdle);

  const auto output = traces.Lines();
  ASSERT_EQ(output.size(), 4u);
  EXPECT_EQ(output[0], "ThreadPhoManager::Create() is creating a ThreadPhoManagerWindows.\n");
  std::smatch handle;
  ASSERT_TRUE(
      std::regex_match(output[1], handle, std::regex("Started new thread \\(handle=([0-9a-f]+)h\\)\n")));
  EXPECT_EQ(output[2], "Waiting for thread " + handle[1].str() + " ...\n");
  EXPECT_EQ(output[3], "Done waiting for thread " + handle[1].str() + ".\n");
}

TEST_F(BlockedThreadTest, StartIsRefusedWhileTheBodyRunsAndAllowedAfter) {
  StartBlocked(false);
  EXPECT_EQ(thread->State(), rb::ThreadPhoManager::kRunning);
  EXPECT_FALSE(thread->Start());
  EXPECT_FALSE(thread->Done());

  gate->Set(&Gate::open);
  ASSERT_TRUE(thread->WaitFor(kPatience));
  EXPECT_TRUE(thread->Done());
  EXPECT_TRUE(gate->intact);
  EXPECT_TRUE(thread->Start());
  EXPECT_TRUE(thread->WaitFor(kPatience));
}

TEST(Thread, StartIsRefusedWithoutSharedOwnership) {
  Traces traces;
  ValueThread thread;
  EXPECT_FALSE(thread.Start());
  EXPECT_EQ(thread.State(), rb::ThreadPhoManager::kIdle);
  EXPECT_EQ(thread.value, 0);
  EXPECT_EQ(traces.Lines(),
            std::vector<std::string>{
                "Thread::Start(): refused, the thread object is not owned by a std::shared_ptr.\n"});
}

TEST(Thread, StopEndsACooperativeBody) {
  Traces traces;
  auto thread = std::make_shared<CooperativeThread>();
  ASSERT_TRUE(thread->Start());
  EXPECT_FALSE(thread->StopRequested());
  EXPECT_TRUE(thread->Stop(kPatience));
  EXPECT_TRUE(thread->StopRequested());
  EXPECT_TRUE(thread->Done());
  EXPECT_EQ(thread->State(), rb::ThreadPhoManager::kIdle);
  const auto output = traces.Lines();
  ASSERT_FALSE(output.empty());
  EXPECT_TRUE(std::regex_match(output.back(), std::regex("Thread [0-9a-f]+ terminated\\.\n")));

  // A new start clears the request and runs again.
  const int steps = thread->steps;
  ASSERT_TRUE(thread->Start());
  EXPECT_FALSE(thread->StopRequested());
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (thread->steps == steps && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_TRUE(thread->Stop(kPatience));
  EXPECT_GT(thread->steps, steps);
}

TEST_F(BlockedThreadTest, StopLetsABlockedBodyGoAndItEndsWithItsObjectIntact) {
  StartBlocked(true);
  {
    Traces traces;
    EXPECT_FALSE(thread->Stop(milliseconds(20)));
    const auto output = traces.Lines();
    ASSERT_EQ(output.size(), 1u);
    EXPECT_TRUE(std::regex_match(output[0], std::regex("ERROR: Thread [0-9a-f]+: unable to terminate\\. "
                                                       "\\(errcode = 258\\)\n")));
  }
  EXPECT_TRUE(thread->StopRequested());
  EXPECT_EQ(thread->State(), rb::ThreadPhoManager::kRunning);
  // The abandoned body still runs on this object: no second body may start.
  EXPECT_FALSE(thread->Start());

  // The starter lets go; the body keeps the object alive.
  std::weak_ptr<BlockedThread> watch = thread;
  thread.reset();
  EXPECT_FALSE(watch.expired());
  EXPECT_FALSE(gate->destroyed);

  gate->Set(&Gate::open);
  ASSERT_TRUE(gate->Await(&Gate::destroyed));
  EXPECT_TRUE(gate->finished);
  EXPECT_TRUE(gate->intact);
  EXPECT_TRUE(gate->destroyedAfterRun);
  EXPECT_TRUE(watch.expired());
}

TEST_F(BlockedThreadTest, AStopThatGaveUpSucceedsOnceTheBodyHasEnded) {
  StartBlocked(true);
  EXPECT_FALSE(thread->Stop(milliseconds(20)));

  gate->Set(&Gate::open);
  EXPECT_TRUE(thread->Stop(kPatience));
  EXPECT_EQ(thread->State(), rb::ThreadPhoManager::kIdle);
  EXPECT_TRUE(thread->Done());
  EXPECT_TRUE(gate->intact);
  EXPECT_FALSE(gate->destroyed);
}

TEST_F(BlockedThreadTest, ReleasingABlockedThreadNeitherBlocksNorFreesIt) {
  StartBlocked(false);

  // Dropping the last outside reference returns while the body is still blocked.
  auto release = std::async(std::launch::async, [this] { thread.reset(); });
  ASSERT_EQ(release.wait_for(kPatience), std::future_status::ready);
  EXPECT_FALSE(gate->destroyed);

  gate->Set(&Gate::open);
  ASSERT_TRUE(gate->Await(&Gate::destroyed));
  EXPECT_TRUE(gate->intact);
  EXPECT_TRUE(gate->destroyedAfterRun);
}

TEST(Thread, ABodyLeavingByAnExceptionIsDone) {
  class Throwing : public rb::Thread {
   public:
    void Run() override { throw std::runtime_error("lost"); }
  };
  auto thread = std::make_shared<Throwing>();
  ASSERT_TRUE(thread->Start());
  ASSERT_TRUE(thread->WaitFor(kPatience));
  EXPECT_TRUE(thread->Done());
  EXPECT_EQ(thread->State(), rb::ThreadPhoManager::kIdle);
}

}  // namespace
