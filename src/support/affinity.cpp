#include "support/affinity.h"

#include <bit>
#include <cstdint>

#include "platform/os.h"
#include "support/debug.h"

namespace rb {

namespace {

constexpr std::uint64_t kFailedMask = 1;
constexpr std::uint32_t kFailedCpu = 1;

// The traces show handles and masks as 32-bit values.
unsigned Low32(std::uint64_t value) {
  return static_cast<unsigned>(value);
}

unsigned CurrentProcess() {
  return Low32(reinterpret_cast<std::uintptr_t>(win::CURRENT_PROCESS));
}

struct Masks {
  bool read = false;
  std::uint64_t process = 0;
  std::uint64_t system = 0;
};

Masks ReadMasks(os::Platform& platform) {
  Masks masks;
  masks.read = platform.GetProcessAffinityMask(&masks.process, &masks.system);
  return masks;
}

}  // namespace

bool dvmSetTaskAffinity(std::uint64_t mask) {
  os::Platform& platform = os::Current();
  const bool ok = platform.SetProcessAffinityMask(mask);
  DebugPrint("dvmSetTaskAffinity current process %X thread ID %X value %X\n", CurrentProcess(),
             platform.GetCurrentThreadId(), Low32(mask));
  return ok;
}

std::uint64_t dvmGetCpuAvailMask() {
  os::Platform& platform = os::Current();
  const Masks masks = ReadMasks(platform);
  const std::uint64_t answer = masks.read ? masks.system : kFailedMask;
  DebugPrint("dvmGetCpuAvailMask current process %X thread ID %X value %X\n", CurrentProcess(),
             platform.GetCurrentThreadId(), Low32(answer));
  return answer;
}

std::uint32_t dvmGetCurrentCPU() {
  os::Platform& platform = os::Current();
  const Masks masks = ReadMasks(platform);
  // A process always may run somewhere; an empty mask is treated as a failed call.
  const std::uint32_t cpu = masks.read && masks.process != 0
                                ? static_cast<std::uint32_t>(std::countr_zero(masks.process))
                                : kFailedCpu;
  DebugPrint("dvmGetCurrentCPU current process %X thread ID %X value %X - %X\n", CurrentProcess(),
             platform.GetCurrentThreadId(), cpu, Low32(masks.process));
  return cpu;
}

}  // namespace rb
