#pragma once

namespace rb {

// The process-wide trace switch, off at load.
void SetDebugEnabled(bool enabled);
bool IsDebugEnabled();

// While the switch is on, prints to standard error (flushed) and to the debugger output; answers the
// count printed to standard error, 0 while the switch is off.
int DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace rb
