#include "support/mutex.h"

#include <chrono>

namespace rb {

bool Mutex::Wait(std::uint32_t milliseconds) {
  return mutex_.try_lock_for(std::chrono::milliseconds(milliseconds));
}

void Mutex::Release() { mutex_.unlock(); }

MutexLock::MutexLock(Mutex& mutex, std::uint32_t milliseconds) : mutex_(mutex), owned_(mutex.Wait(milliseconds)) {}

MutexLock::~MutexLock() {
  if (owned_) mutex_.Release();
}

}  // namespace rb
