#include "controllers/replytext.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// A controller's texts are untrusted: each is read within its field and the reply, up to a NUL, and
// only its printable bytes reach a document.
TEST(ReplyText, IsCutAtItsFieldItsNulAndTheReplyAndKeepsOnlyPrintableBytes) {
  const struct {
    std::string reply;
    std::size_t offset, size;
    const char* text;
  } cases[] = {
      {"xxRB L200  yy", 2, 9, "RB L200"},                       // blanks trimmed, the field's end kept
      {std::string("RB L200\0garbage", 15), 0, 15, "RB L200"},  // cut at the NUL
      {"RB\x01L2\x7F"
       "00\xFF\n",
       0, 11, "RBL200"},           // control, DEL and high bytes dropped
      {"RB L200", 3, 32, "L200"},  // a field past the reply's end
      {"RB L200", 7, 4, ""},       // a field wholly outside it
      {"RB L200", 100, 4, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(rb::ReplyText(Bytes(c.reply), c.offset, c.size), c.text);
  }
}

}  // namespace
