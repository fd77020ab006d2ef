#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace rb {

// A process-local mutex with the semantics of an unnamed Windows mutex: the owning thread may take it
// again (each take needs its release), and waits are bounded.
//
// Built from a plain mutex and a condition variable rather than std::recursive_timed_mutex: the timed
// lock of the latter waits in pthread_mutex_clocklock, which ThreadSanitizer (as shipped with GCC 12)
// does not see, so that every section it guards would look unguarded there. A wait on a condition
// variable with the steady clock is understood by every tool, and waits the same bounded time.
class Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // True when the mutex was taken within the given milliseconds.
  bool Wait(std::uint32_t milliseconds);
  // Gives back one take; ignored from a thread that does not own the mutex (Windows refuses that too).
  void Release();

 private:
  std::mutex state_;  // guards owner_ and takes_
  std::condition_variable released_;
  std::thread::id owner_;
  std::uint32_t takes_ = 0;
};

// Holds a mutex for a scope. A wait that times out does not stop the guarded code: it runs unguarded.
class MutexLock {
 public:
  static constexpr std::uint32_t kDefaultWaitMs = 9999;

  explicit MutexLock(Mutex& mutex, std::uint32_t milliseconds = kDefaultWaitMs);
  ~MutexLock();
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  bool Owned() const { return owned_; }

 private:
  Mutex& mutex_;
  bool owned_;
};

}  // namespace rb
