#pragma once

#include <cstdint>
#include <string>

namespace rb {

// h:mm:ss in the form the operator's language expects.
std::string FormatDuration(std::uint32_t seconds);
// Below a second in milliseconds ("< 1 ms", "250 ms"), otherwise as FormatDuration.
std::string FormatElapsed(double seconds);

}  // namespace rb
