#pragma once

// Runs one function on a thread of its own and tracks it: the state (idle, start requested, running),
// the thread's identifier and handle. The manager is shared: the running thread holds a reference to
// it, so the state that thread updates stays valid however long it runs and whoever lets go first.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace rb {

class ThreadPhoManager : public std::enable_shared_from_this<ThreadPhoManager> {
 public:
  // The body: takes the argument given to Start, answers the thread's result.
  using EntryFunction = std::uint32_t (*)(const std::shared_ptr<void>& argument);

  static constexpr int kIdle = 0;
  static constexpr int kStartRequested = 1;
  static constexpr int kRunning = 2;

  // Creates the manager of this system (traced).
  static std::shared_ptr<ThreadPhoManager> Create(EntryFunction entry);

  ThreadPhoManager(const ThreadPhoManager&) = delete;
  ThreadPhoManager& operator=(const ThreadPhoManager&) = delete;
  virtual ~ThreadPhoManager() = default;

  // Starts a thread that runs the entry function with `argument`, which the thread holds until the
  // entry function returns. Refused (false) unless idle.
  virtual bool Start(std::shared_ptr<void> argument) = 0;
  // Ends the tracking of the thread: true when no thread is tracked or it ends within `grace`; false
  // when it is still running, in which case it is left to end by itself (it is never killed).
  virtual bool Terminate(std::chrono::milliseconds grace) = 0;
  // Waits without a time limit for the thread to end, then stops tracking it.
  virtual void Wait() = 0;
  // Called on the thread with the entry function's result after the state went back to idle.
  virtual void Finished(std::uint32_t /*result*/) {}
  // Waits up to `timeout` for the thread to end; true when no thread runs.
  virtual bool WaitFor(std::chrono::milliseconds timeout) = 0;

  int State() const { return state_.load(std::memory_order_acquire); }
  // 1 from construction on.
  int Mark() const { return mark_; }
  // The system identifier of the thread, once it runs (0 before).
  std::uint32_t ThreadId() const { return threadId_.load(std::memory_order_acquire); }

 protected:
  explicit ThreadPhoManager(EntryFunction entry) : entry_(entry) {}

  const EntryFunction entry_;
  std::atomic<int> state_{kIdle};
  // From Start until the thread takes it over.
  std::shared_ptr<void> argument_;
  const int mark_ = 1;
  std::atomic<std::uint32_t> threadId_{0};
};

// The manager, on std::thread. Its "handle" is the value of the thread's native handle, shown in
// traces as a number.
class ThreadPhoManagerWindows : public ThreadPhoManager {
 public:
  explicit ThreadPhoManagerWindows(EntryFunction entry) : ThreadPhoManager(entry) {}
  // Joins the thread, which is past its body by then: it holds a reference to the manager until its
  // function returns. When the destructor runs on that thread itself, the thread is let go instead.
  ~ThreadPhoManagerWindows() override;

  bool Start(std::shared_ptr<void> argument) override;
  bool Terminate(std::chrono::milliseconds grace) override;
  void Wait() override;
  bool WaitFor(std::chrono::milliseconds timeout) override;

 private:
  // The thread's function.
  void Body();
  bool Ended() const { return state_.load(std::memory_order_acquire) == kIdle; }
  // Stops tracking the thread, joining it when it is joinable (only called once it is past its body);
  // on the thread itself, lets it go instead.
  void CloseHandle();

  // Guards the members below and the change of the state back to idle.
  mutable std::mutex mutex_;
  std::condition_variable ended_;
  std::thread thread_;
  bool hasHandle_ = false;
  std::uintptr_t handle_ = 0;
  std::thread::id bodyId_;
};

}  // namespace rb
