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
  using Wide = unsigned long long;
  return StringPrintf(
      "%llu of %llu bytes differ; first at byte %llu (block +%llu, offset %llu): expected %02x, read %02x",
      Wide{differing}, Wide{length}, Wide{first}, Wide{block}, Wide{offset}, unsigned{expected[first]},
      unsigned{found[first]});
}

}  // namespace rb
