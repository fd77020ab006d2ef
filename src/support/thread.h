#pragma once

// A unit of work that runs on a thread of its own: derive from Thread, put the work in Run, own the
// object through a std::shared_ptr and call Start.
//
// Stopping never kills a thread. Stop asks the body to end (StopRequested becomes true) and waits a
// grace period for it; a body that does not end in time (blocked in a device request, or in the
// host's callback waiting for an operator) is let go: Stop answers false, the body runs on to its
// end, and nothing waits for it. The running thread holds a reference to its Thread object, so the
// object, and all it owns, stays alive until Run returns, whoever else lets go of it first. Releasing
// the last outside reference to a running Thread therefore never blocks and never frees what the body
// uses.
//
// The contract for Run bodies:
// - Poll StopRequested() between steps and return soon once it is true; a step that can block for
//   long (a device request, a prompt) is the only place the body may be left running after a stop.
// - Own what you touch through the Thread object: hold shared ownership (std::shared_ptr members) of
//   every object the body uses beyond its own members. A plain pointer or reference to something the
//   starter owns may dangle once the starter has given up on the body.
// - Hand results over through the object (members read after Done(), or atomics), not through the
//   starter's stack.
// - Do not let exceptions escape: one that does is caught and traced, and the body counts as done.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

#include "support/threadphomanager.h"

namespace rb {

class Thread : public std::enable_shared_from_this<Thread> {
 public:
  static constexpr std::chrono::milliseconds kDefaultStopGrace{500};

  Thread() = default;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // The work, run on the thread.
  virtual void Run() = 0;
  // Runs only once the body has ended (or never started): the running thread holds a reference.
  virtual ~Thread() = default;

  // Starts Run on a new thread (through a new manager, traced). Refused (false) while a body of this
  // object runs, including one that a stop gave up on, and when the object is not owned by a
  // std::shared_ptr (traced). Clears the done flag and any earlier request to stop.
  bool Start();
  // Asks the body to end and waits up to `grace` for it. True when no body runs or it ended (the
  // state is then idle); false when the body was let go still running (see above).
  bool Stop(std::chrono::milliseconds grace = kDefaultStopGrace);
  // Waits without a time limit for the body to end.
  void Wait();
  // Waits up to `timeout` for the body to end; true when no body runs.
  bool WaitFor(std::chrono::milliseconds timeout);

  // Run has returned.
  bool Done() const { return done_.load(std::memory_order_acquire); }
  // Stop has been asked for since the last Start; the body polls this.
  bool StopRequested() const { return stopRequested_.load(std::memory_order_acquire); }
  // The manager's state (ThreadPhoManager::kIdle without one).
  int State() const;

 private:
  // The manager's entry function: runs the Thread given as the argument and sets its done flag.
  static std::uint32_t Entry(const std::shared_ptr<void>& argument);
  std::shared_ptr<ThreadPhoManager> Manager() const;

  std::atomic<bool> done_{false};
  std::shared_ptr<ThreadPhoManager> manager_;
  std::atomic<bool> stopRequested_{false};
  // Guards manager_ (Start, Stop and the waits may come from different threads).
  mutable std::mutex mutex_;
};

}  // namespace rb
