#pragma once

#include <cstdint>
#include <mutex>

namespace rb {

// A process-local mutex with the semantics of an unnamed Windows mutex: the owning thread may take it
// again (each take needs its release), and waits are bounded.
class Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // True when the mutex was taken within the given milliseconds.
  bool Wait(std::uint32_t milliseconds);
  void Release();

 private:
  std::recursive_timed_mutex mutex_;
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
