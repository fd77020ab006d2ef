#include "tests/comparedump.h"

#include "support/stringutil.h"

namespace rb {

std::string CompareDump(const std::uint8_t* expected, const std::uint8_t* found, std::size_t length,
                        std::uint32_t blockSize) {
  std::size_t differing = 0;
  std::size_t first = length;
  for (std::size_t i = 0; i < length; ++i) {
    if (expected[i] == found[i]) continue;
    if (differing++ == 0) first = i;
  }
  if (differing == 0) return "0 bytes differ";
  const std::size_t block = blockSize != 0 ? first / blockSize : 0;
  const std::size_t offset = blockSize != 0 ? first % blockSize : first;
  return StringPrintf(
      "%zu of %zu bytes differ; first at byte %zu (block +%zu, offset %zu): expected %02x, read %02x",
      differing, length, first, block, offset, expected[first], found[first]);
}

}  // namespace rb
