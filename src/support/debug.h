#pragma once

#include <cstddef>

namespace rb {

// The process-wide trace switch, off at load.
void SetDebugEnabled(bool enabled);
bool IsDebugEnabled();

// While the switch is on, prints to standard error (flushed) and to the debugger output; answers the
// count printed to standard error, 0 while the switch is off.
int DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Through DebugPrint: each byte as two lower-case hex digits and a space, a line break after every
// perLine bytes (at least 1) and at the end.
void HexDump(const void* bytes, std::size_t count, std::size_t perLine);

}  // namespace rb
