#include "support/debug.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/os.h"

namespace rb {
namespace {
std::atomic<bool> debugEnabled{false};
}

void SetDebugEnabled(bool enabled) { debugEnabled.store(enabled, std::memory_order_relaxed); }
bool IsDebugEnabled() { return debugEnabled.load(std::memory_order_relaxed); }

int DebugPrint(const char* format, ...) {
  if (!IsDebugEnabled()) return 0;
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int printed = std::vfprintf(stderr, format, args);
  std::fflush(stderr);
  va_end(args);
  const int needed = std::vsnprintf(nullptr, 0, format, again);
  va_end(again);
  if (needed >= 0) {
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    va_start(again, format);
    std::vsnprintf(buffer.data(), buffer.size(), format, again);
    va_end(again);
    try {
      os::Current().OutputDebugString(buffer.data());
    } catch (...) {
      // An unusable simulated machine must not silence the trace.
      os::Native().OutputDebugString(buffer.data());
    }
  }
  return printed;
}

void HexDump(const void* bytes, std::size_t count, std::size_t perLine) {
  if (!IsDebugEnabled()) return;
  if (perLine == 0) perLine = 1;
  const auto* p = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < count; ++i) {
    DebugPrint("%02x ", p[i]);
    if ((i + 1) % perLine == 0) DebugPrint("\n");
  }
  DebugPrint("\n");
}

}  // namespace rb
