#include "support/xmlcharclass.h"

namespace rb {
namespace {
constexpr std::array<std::uint8_t, 256> MakeXmlCharClass() {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t b = 0; b < table.size(); ++b) table[b] = XmlByteClass(static_cast<unsigned char>(b));
  return table;
}
}  // namespace

extern const std::array<std::uint8_t, 256> XmlCharClass = MakeXmlCharClass();

}  // namespace rb
