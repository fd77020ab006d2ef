#pragma once

// Processor affinity of the whole process on Linux, where affinity belongs to each thread. The
// process mask is read from the calling thread; setting it sets every thread of the process, as
// Windows does for SetProcessAffinityMask. Only processors 0 to 63 are represented.

#include <cstdint>

#include "platform/winapi.h"

namespace os {

// Answers ERROR_SUCCESS or the Windows error. The system mask holds the processors that are online.
win::DWORD ReadProcessAffinity(std::uint64_t& processMask, std::uint64_t& systemMask);
// Sets the mask on every thread of the process, the calling thread first. A mask that is empty or
// names a processor outside the system mask is refused with ERROR_INVALID_PARAMETER. Threads that a
// thread not yet set starts while this runs inherit the old mask; the tasks are listed again until
// a pass finds none left to set.
win::DWORD WriteProcessAffinity(std::uint64_t mask);

}  // namespace os
