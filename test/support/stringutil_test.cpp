#include "support/stringutil.h"

#include <gtest/gtest.h>

#include "support/stringtokenizer.h"

namespace rb {
namespace {

TEST(StringPrintf, FormatsToTheExactLength) {
  EXPECT_EQ(StringPrintf("%04X:%s", 0xBEEF, "x"), "BEEF:x");
  EXPECT_EQ(StringPrintf("%s", ""), "");
  const std::string big(5000, 'z');
  EXPECT_EQ(StringPrintf("<%s>", big.c_str()).size(), 5002u);
}

TEST(Trim, RemovesOnlyAsciiBlanks) {
  const struct {
    std::string in;
    std::size_t n;
    std::string out;
  } cases[] = {
      {"\t x \r\n", 0, "x"},
      {"  a b  ", 0, "a b"},
      {"\xA0x\xA0", 0, "\xA0x\xA0"},  // bytes of 128 and above stay
      {"  abc  def", 5, "abc"},        // only the first n bytes are considered
      {"ab", 10, "ab"},
      {" \t\r\n", 0, ""},
      {"", 0, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Trim(c.in, c.n), c.out) << c.in;
}

TEST(StringTokenizer, RunsOfDelimitersGiveNoEmptyTokens) {
  StringTokenizer t(",,a,,b", ",");
  EXPECT_EQ(t.LastDelimiter(), ',');
  EXPECT_EQ(t.NextToken(), "a");
  EXPECT_EQ(t.Remainder(), "b");
  EXPECT_EQ(t.NextToken(), "b");
  EXPECT_EQ(t.LastDelimiter(), 0);
  EXPECT_EQ(t.NextToken(), "");
  EXPECT_EQ(t.NextToken(), "");

  StringTokenizer words("load 10; run=3", " ;=");
  EXPECT_EQ(words.NextToken(), "load");
  EXPECT_EQ(words.NextToken(), "10");
  EXPECT_EQ(words.LastDelimiter(), ' ');  // "; " skipped, the last was the space
  EXPECT_EQ(words.NextToken(), "run");
  EXPECT_EQ(words.LastDelimiter(), '=');
  EXPECT_EQ(words.Remainder(), "3");

  StringTokenizer none("", ",");
  EXPECT_EQ(none.NextToken(), "");
}

}  // namespace
}  // namespace rb
