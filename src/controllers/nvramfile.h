#pragma once

// The text files of the NVRAM tests (nvramlayout.h: hexadecimal byte values separated by
// white space, '#' comments): PHY setting files, flash files, dumps and the images kept before a part
// is programmed. Paths are the component's, relative to its working directory.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rb {

// The bytes of the file; empty when it cannot be read or holds something other than byte values.
std::optional<std::vector<std::uint8_t>> ReadNvramFile(const std::string& path);
// Writes the bytes, sixteen to a line; `replace` false refuses to overwrite an existing file.
bool WriteNvramFile(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace);
// Keeps `image` in a new numbered file "<stem>_<n>.txt" (the first n whose file does not exist yet)
// and answers its path; empty when none could be written.
std::string KeepNvramImage(const std::string& stem, const std::vector<std::uint8_t>& image);
// The bytes as "%02X " lines of sixteen.
std::string NvramHexLines(const std::vector<std::uint8_t>& bytes);

}  // namespace rb
