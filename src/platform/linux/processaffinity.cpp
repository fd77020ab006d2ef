#include "platform/linux/processaffinity.h"

#include <dirent.h>
#include <errno.h>
#include <sched.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "platform/linux/linuxplatform.h"

namespace os {

namespace {

constexpr int kMaskBits = 64;

std::uint64_t MaskOf(const cpu_set_t& set) {
  std::uint64_t mask = 0;
  for (int cpu = 0; cpu < kMaskBits; ++cpu) {
    if (CPU_ISSET(cpu, &set)) mask |= std::uint64_t{1} << cpu;
  }
  return mask;
}

// The kernel's list of online processors ("0-3,6,8-9"); 0 when it cannot be read.
std::uint64_t OnlineProcessors() {
  std::ifstream file("/sys/devices/system/cpu/online");
  std::string list;
  if (!std::getline(file, list)) return 0;
  std::uint64_t mask = 0;
  const char* p = list.c_str();
  while (*p != '\0') {
    char* end = nullptr;
    const long first = std::strtol(p, &end, 10);
    if (end == p) return 0;
    long last = first;
    p = end;
    if (*p == '-') {
      last = std::strtol(p + 1, &end, 10);
      if (end == p + 1) return 0;
      p = end;
    }
    for (long cpu = first; cpu <= last && cpu < kMaskBits; ++cpu) mask |= std::uint64_t{1} << cpu;
    if (*p == ',') ++p;
  }
  return mask;
}

// Sets the mask on every listed thread not set yet; answers how many it set, or -1 with `error` set.
int SetListedThreads(const cpu_set_t& set, std::set<pid_t>& done, win::DWORD& error) {
  DIR* tasks = ::opendir("/proc/self/task");
  if (tasks == nullptr) {
    error = WindowsErrorFromErrno(errno);
    return -1;
  }
  int count = 0;
  while (const dirent* entry = ::readdir(tasks)) {
    char* end = nullptr;
    const long tid = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || !done.insert(static_cast<pid_t>(tid)).second) continue;
    // A thread that ended since the listing is no longer there to set.
    if (::sched_setaffinity(static_cast<pid_t>(tid), sizeof set, &set) != 0 && errno != ESRCH) {
      error = WindowsErrorFromErrno(errno);
      count = -1;
      break;
    }
    ++count;
  }
  ::closedir(tasks);
  return count;
}

}  // namespace

win::DWORD ReadProcessAffinity(std::uint64_t& processMask, std::uint64_t& systemMask) {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return WindowsErrorFromErrno(errno);
  processMask = MaskOf(set);
  systemMask = OnlineProcessors();
  // Without the online list (no /sys, as in a bare chroot), the count of online processors the C
  // library finds elsewhere; failing that, the processors this process may use are all it can see.
  if (systemMask == 0) {
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    if (online >= kMaskBits) systemMask = ~std::uint64_t{0};
    else if (online > 0) systemMask = (std::uint64_t{1} << online) - 1;
  }
  systemMask |= processMask;
  return win::ERROR_SUCCESS;
}

win::DWORD WriteProcessAffinity(std::uint64_t mask) {
  std::uint64_t process = 0;
  std::uint64_t system = 0;
  if (const win::DWORD error = ReadProcessAffinity(process, system)) return error;
  if (mask == 0 || (mask & ~system) != 0) return win::ERROR_INVALID_PARAMETER;
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int cpu = 0; cpu < kMaskBits; ++cpu) {
    if ((mask >> cpu & 1) != 0) CPU_SET(cpu, &set);
  }
  // The calling thread first, so that a mask the kernel refuses (outside the cpuset) changes nothing.
  if (::sched_setaffinity(0, sizeof set, &set) != 0) return WindowsErrorFromErrno(errno);
  std::set<pid_t> done = {static_cast<pid_t>(::gettid())};
  win::DWORD error = win::ERROR_SUCCESS;
  for (int setThisPass = 1; setThisPass > 0;) setThisPass = SetListedThreads(set, done, error);
  return error;
}

}  // namespace os
