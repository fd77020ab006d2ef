#include "support/mutex.h"

#include <chrono>

namespace rb {

bool Mutex::Wait(std::uint32_t milliseconds) {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock lock(state_);
  if (takes_ > 0 && owner_ == self) {
    ++takes_;
    return true;
  }
  if (!released_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return takes_ == 0; }))
    return false;
  owner_ = self;
  takes_ = 1;
  return true;
}

void Mutex::Release() {
  {
    std::lock_guard lock(state_);
    if (takes_ == 0 || owner_ != std::this_thread::get_id()) return;
    if (--takes_ > 0) return;
    owner_ = std::thread::id();
  }
  released_.notify_one();
}

MutexLock::MutexLock(Mutex& mutex, std::uint32_t milliseconds) : mutex_(mutex), owned_(mutex.Wait(milliseconds)) {}

MutexLock::~MutexLock() {
  if (owned_) mutex_.Release();
}

}  // namespace rb
