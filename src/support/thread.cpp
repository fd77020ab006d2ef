#include "support/thread.h"

#include <utility>

#include "support/debug.h"

namespace rb {

std::uint32_t Thread::Entry(const std::shared_ptr<void>& argument) {
  auto* thread = static_cast<Thread*>(argument.get());
  // Done even when Run leaves by an exception (which the manager traces).
  struct MarkDone {
    Thread* thread;
    ~MarkDone() { thread->done_.store(true, std::memory_order_release); }
  } markDone{thread};
  thread->Run();
  return 0;
}

std::shared_ptr<ThreadPhoManager> Thread::Manager() const {
  std::lock_guard lock(mutex_);
  return manager_;
}

int Thread::State() const {
  const auto manager = Manager();
  return manager != nullptr ? manager->State() : ThreadPhoManager::kIdle;
}

bool Thread::Start() {
  std::shared_ptr<Thread> self = weak_from_this().lock();
  if (self == nullptr) {
    DebugPrint("Thread::Start(): refused, the thread object is not owned by a std::shared_ptr.\n");
    return false;
  }
  std::lock_guard lock(mutex_);
  if (manager_ != nullptr && manager_->State() != ThreadPhoManager::kIdle) return false;
  manager_ = ThreadPhoManager::Create(&Thread::Entry);
  done_.store(false, std::memory_order_release);
  stopRequested_.store(false, std::memory_order_release);
  return manager_->Start(std::move(self));
}

bool Thread::Stop(std::chrono::milliseconds grace) {
  const auto manager = Manager();
  if (manager == nullptr || manager->State() == ThreadPhoManager::kIdle) return true;
  stopRequested_.store(true, std::memory_order_release);
  return manager->Terminate(grace);
}

void Thread::Wait() {
  if (const auto manager = Manager()) manager->Wait();
}

bool Thread::WaitFor(std::chrono::milliseconds timeout) {
  const auto manager = Manager();
  return manager == nullptr || manager->WaitFor(timeout);
}

}  // namespace rb
