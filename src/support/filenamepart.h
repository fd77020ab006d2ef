#pragma once

#include <string>
#include <string_view>

namespace rb {

// A piece of a file name built from text the hardware reports (a serial number, a device name), made
// safe to put between a fixed prefix and suffix in the current directory on Windows and Linux alike:
// letters, digits, '-' and '_' are kept, every other byte (path separators, drive colons, dots,
// wildcards, blanks, control and non-ASCII bytes) becomes '_'. At most kMaxFileNamePart bytes are kept;
// empty text becomes "unknown".
inline constexpr std::size_t kMaxFileNamePart = 64;
std::string SafeFileNamePart(std::string_view text);

}  // namespace rb
