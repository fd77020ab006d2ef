#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rb {

// The line a miscompare logs: how many bytes differ, and where the first difference is (byte, block and
// offset in it) with the byte expected and the byte found.
std::string CompareDump(const std::uint8_t* expected, const std::uint8_t* found, std::size_t length,
                        std::uint32_t blockSize);

}  // namespace rb
