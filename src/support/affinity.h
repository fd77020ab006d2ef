#pragma once

// The processors the process runs on, one bit per processor (bit n is processor n). Each call traces
// the current process (its pseudo-handle), the calling thread's identifier and the value.

#include <cstdint>

namespace rb {

// Restricts the process to the processors of the mask; true when that succeeded.
bool dvmSetTaskAffinity(std::uint64_t mask);
// The processors of the system; 1 (processor 0 alone) when they cannot be read.
std::uint64_t dvmGetCpuAvailMask();
// The lowest processor the process may run on (the index of the lowest set bit of the process mask);
// 1 when the mask cannot be read.
std::uint32_t dvmGetCurrentCPU();

}  // namespace rb
