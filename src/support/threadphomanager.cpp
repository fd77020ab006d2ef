#include "support/threadphomanager.h"

#include <system_error>
#include <type_traits>
#include <utility>

#include "platform/os.h"
#include "support/debug.h"

namespace rb {

namespace {

// The native handle as a number, whether the thread library makes it an integer or a pointer.
template <class Native>
std::uintptr_t HandleValue(Native native) {
  if constexpr (std::is_pointer_v<Native>) {
    return reinterpret_cast<std::uintptr_t>(native);
  } else {
    return static_cast<std::uintptr_t>(native);
  }
}

unsigned Shown(std::uintptr_t handle) {
  return static_cast<unsigned>(handle);
}

// The Windows error that stands for a failed thread creation.
win::DWORD CreationError(const std::system_error& error) {
  if (error.code() == std::errc::resource_unavailable_try_again) return win::ERROR_NOT_ENOUGH_MEMORY;
  if (error.code() == std::errc::operation_not_permitted) return win::ERROR_ACCESS_DENIED;
  return win::ERROR_INVALID_PARAMETER;
}

}  // namespace

std::shared_ptr<ThreadPhoManager> ThreadPhoManager::Create(EntryFunction entry) {
  DebugPrint("ThreadPhoManager::Create() is creating a ThreadPhoManagerWindows.\n");
  return std::make_shared<ThreadPhoManagerWindows>(entry);
}

ThreadPhoManagerWindows::~ThreadPhoManagerWindows() {
  CloseHandle();
}

bool ThreadPhoManagerWindows::Start(std::shared_ptr<void> argument) {
  std::shared_ptr<ThreadPhoManager> self = weak_from_this().lock();
  if (self == nullptr) {
    DebugPrint("ThreadPhoManager::Start(): refused, the manager is not owned by a std::shared_ptr.\n");
    return false;
  }
  std::lock_guard lock(mutex_);
  if (state_.load(std::memory_order_acquire) != kIdle) return false;
  CloseHandle();
  argument_ = std::move(argument);
  state_.store(kStartRequested, std::memory_order_release);
  try {
    thread_ = std::thread([self = std::move(self)] { static_cast<ThreadPhoManagerWindows&>(*self).Body(); });
  } catch (const std::system_error& error) {
    argument_.reset();
    state_.store(kIdle, std::memory_order_release);
    os::Platform& platform = os::Current();
    platform.SetLastError(CreationError(error));
    DebugPrint("Unable to start new thread (err=%d)\n", static_cast<int>(platform.GetLastError()));
    return false;
  }
  hasHandle_ = true;
  handle_ = HandleValue(thread_.native_handle());
  DebugPrint("Started new thread (handle=%xh)\n", Shown(handle_));
  return true;
}

void ThreadPhoManagerWindows::Body() {
  std::shared_ptr<void> argument;
  std::uintptr_t handle = 0;
  {
    // Start holds the lock until the thread is recorded.
    std::lock_guard lock(mutex_);
    bodyId_ = std::this_thread::get_id();
    argument = std::move(argument_);
    handle = handle_;
  }
  std::uint32_t result = 0;
  try {
    threadId_.store(os::Current().GetCurrentThreadId(), std::memory_order_release);
    if (entry_ != nullptr) {
      state_.store(kRunning, std::memory_order_release);
      result = entry_(argument);
    }
  } catch (...) {
    // An exception leaving a thread would end the host process.
    DebugPrint("Thread %x: the thread body ended with an exception.\n", Shown(handle));
  }
  // The argument may hold the last reference to what the body ran on; it goes before the thread
  // counts as ended, so that nobody who waited for the end still finds the body's objects in use.
  argument.reset();
  {
    std::lock_guard lock(mutex_);
    state_.store(kIdle, std::memory_order_release);
  }
  ended_.notify_all();
  Finished(result);
}

void ThreadPhoManagerWindows::CloseHandle() {
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();
    } else {
      thread_.join();
    }
  }
  hasHandle_ = false;
}

bool ThreadPhoManagerWindows::Terminate(std::chrono::milliseconds grace) {
  std::unique_lock lock(mutex_);
  if (!hasHandle_) return true;
  const std::uintptr_t handle = handle_;
  if (ended_.wait_for(lock, grace, [this] { return Ended(); })) {
    CloseHandle();
    DebugPrint("Thread %x terminated.\n", Shown(handle));
    return true;
  }
  // Still running, and perhaps blocked where no request to stop can reach it. Killing it could leave
  // locks held and data half-written; it is let go instead and ends by itself, holding what it uses.
  if (thread_.joinable()) thread_.detach();
  DebugPrint("ERROR: Thread %x: unable to terminate. (errcode = %d)\n", Shown(handle),
             static_cast<int>(win::WAIT_TIMEOUT));
  return false;
}

void ThreadPhoManagerWindows::Wait() {
  std::unique_lock lock(mutex_);
  // The thread cannot wait for its own end.
  if (!hasHandle_ || bodyId_ == std::this_thread::get_id()) return;
  const std::uintptr_t handle = handle_;
  DebugPrint("Waiting for thread %x ...\n", Shown(handle));
  ended_.wait(lock, [this] { return Ended(); });
  DebugPrint("Done waiting for thread %x.\n", Shown(handle));
  CloseHandle();
}

bool ThreadPhoManagerWindows::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return ended_.wait_for(lock, timeout, [this] { return Ended(); });
}

}  // namespace rb
