#include "platform/linux/linuxexclusivehold.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace os {
namespace {

std::mutex& HeldLock() {
  static std::mutex lock;
  return lock;
}

// One entry per living hold; a device held twice (two disk paths naming it) is listed twice.
std::vector<dev_t>& HeldDevices() {
  static std::vector<dev_t> devices;
  return devices;
}

}  // namespace

LinuxExclusiveHold::LinuxExclusiveHold(int fd, dev_t device) : fd_(fd), device_(device) {
  const std::lock_guard guard(HeldLock());
  HeldDevices().push_back(device);
}

LinuxExclusiveHold::~LinuxExclusiveHold() {
  {
    const std::lock_guard guard(HeldLock());
    std::vector<dev_t>& devices = HeldDevices();
    const auto held = std::find(devices.begin(), devices.end(), device_);
    if (held != devices.end()) devices.erase(held);
    // An empty list gives its memory back, so that nothing of it outlives the last hold.
    if (devices.empty()) devices.shrink_to_fit();
  }
  ::close(fd_);
}

bool LinuxExclusiveHold::Holds(dev_t device) {
  const std::lock_guard guard(HeldLock());
  const std::vector<dev_t>& devices = HeldDevices();
  return device != 0 && std::find(devices.begin(), devices.end(), device) != devices.end();
}

}  // namespace os
