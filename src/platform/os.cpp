#include "platform/os.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "platform/sim/simplatform.h"
#ifdef _WIN32
#include "platform/win32/win32platform.h"
#else
#include "platform/linux/linuxplatform.h"
#endif

namespace os {

namespace {

#ifdef _WIN32
using NativePlatform = Win32Platform;
#else
using NativePlatform = LinuxPlatform;
#endif

constexpr const char* kMachineVariable = "RAVELBANK_MACHINE";

// Current() reads `current` without locking once a backend is chosen; choosing and installing happen
// under `installLock`. `installed` owns the chosen backend unless that is the native one.
std::mutex installLock;
std::atomic<Platform*> current{nullptr};
std::unique_ptr<Platform> installed;

std::unique_ptr<Platform> DefaultBackend() {
  const auto machine = Native().GetEnvironmentVariable(kMachineVariable);
  if (machine && !machine->empty()) return std::make_unique<SimPlatform>(*machine);
  return nullptr;
}

}  // namespace

Platform& Native() {
  static NativePlatform native;
  return native;
}

Platform& Current() {
  if (Platform* backend = current.load(std::memory_order_acquire)) return *backend;
  std::lock_guard lock(installLock);
  if (Platform* backend = current.load(std::memory_order_relaxed)) return *backend;
  // A MachineError leaves nothing chosen, so the next call looks at the environment again.
  installed = DefaultBackend();
  Platform* chosen = installed ? installed.get() : &Native();
  current.store(chosen, std::memory_order_release);
  return *chosen;
}

std::unique_ptr<Platform> Install(std::unique_ptr<Platform> backend) {
  std::lock_guard lock(installLock);
  std::unique_ptr<Platform> previous = std::move(installed);
  installed = std::move(backend);
  current.store(installed.get(), std::memory_order_release);
  return previous;
}

}  // namespace os
