#pragma once

#include <string>
#include <string_view>

namespace rb {

// Creates or replaces the file and writes the bytes to it; false when the file cannot be created or
// not every byte was written.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace rb
