#include "support/xmlparser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "support/xmlobject.h"

namespace rb {
namespace {

std::string ParseError(const std::string& text, bool lenient = false, bool headerOnly = false) {
  XmlObject e;
  try {
    ParseElement(e, text, nullptr, lenient, headerOnly);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(XmlParser, ErrorMessagesWithLineAndPosition) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"x<a/>", "XML Parsing Error (line 1, position 1) Left angle bracket character expected"},
      {"<a>", "XML Parsing Error (line 1, position 3) Missing end tag: a<a/>\n"},
      {"<xml >", "XML Parsing Error (line 1, position 5) Invalid tag name: xml<xml/>\n"},
      {"<XmL>", "XML Parsing Error (line 1, position 5) Invalid tag name<XmL/>\n"},
      {"<1a/>", "XML Parsing Error (line 1, position 5) Invalid tag name<1a/>\n"},
      {"<_a >", "XML Parsing Error (line 1, position 4) Invalid tag name: _a<_a/>\n"},
      {"<-a>", "XML Parsing Error (line 1, position 4) Invalid tag name<-a/>\n"},
      {"<a 1b='x'/>", "XML Parsing Error (line 1, position 6) Invalid attribute name: 1b<a/>\n"},
      {"<a b c='1'/>",
       "XML Parsing Error (line 1, position 6) Equal chracter expected: c attribute value: b tag value: a<a/>\n"},
      {"<a b=c/>",
       "XML Parsing Error (line 1, position 6) Single or double quote expected: c attribute: b tag value: a\n\n\n"
       "<a/>\n"},
      {"<a></a", "XML Parsing Error (line 1, position 4) Missing Right Angle Bracket Character<a/>\n"},
      {"<?pi", "XML Parsing Error (line 1, position 1) Missing end tag: <?"},
      {"<!---->x", "XML Parsing Error (line 1, position 10) Left angle bracket character expected"},
      // The nested b swallows the end tag of a: the error describes a, with what it holds so far.
      {"<a>\n  <b>\n</a>", "XML Parsing Error (line 3, position 2) Missing end tag: a<a>\n  <b/>\n</a>\n"},
      // An error inside a nested element comes out unchanged: it describes the innermost element.
      {"<a x='1'><b c=1/></a>",
       "XML Parsing Error (line 1, position 16) Single or double quote expected: 1 attribute: c tag value: b\n\n\n"
       "<b/>\n"},
      // A processing instruction last in the content makes the end tag the start of its element.
      {"<a><?pi?></a>", "XML Parsing Error (line 1, position 9) Invalid tag name<?pi?>\n</a/>\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseError(c.text), c.message) << c.text;
}

TEST(XmlParser, NothingToParse) {
  for (const char* text : {"", "   \n\t ", "<!-- only a comment -->", " <!-- a --> <!-- b -->"}) {
    XmlObject e;
    EXPECT_EQ(ParseElement(e, text, nullptr, false, false), kNoElement) << text;
    EXPECT_TRUE(e.IsEmpty()) << text;
  }
}

TEST(XmlParser, ReturnsTheEndOfTheRootAndIgnoresTheRest) {
  const std::string text = "  <a><b/></a> trailing <not parsed";
  XmlObject e;
  EXPECT_EQ(ParseElement(e, text, nullptr, false, false), text.find(" trailing"));
  EXPECT_EQ(e.ToString(), "<a>\n  <b/>\n</a>\n");
  // The text ends at a zero byte.
  const std::string cut("<a/>\0<b/>", 9);
  EXPECT_EQ(ParseError(std::string("<a>\0</a>", 8)), "XML Parsing Error (line 1, position 3) Missing end tag: a<a/>\n");
  EXPECT_EQ(ParseElement(e, cut, nullptr, false, false), 4u);
}

TEST(XmlParser, NamesAndAttributes) {
  XmlObject e("<xmlData a='say \"hi\"' b=\"it's\"c='1' C='2' \xC3\xA9='3' d = 'x&amp;y'/>");
  EXPECT_EQ(e.Name(), "xmlData");
  ASSERT_EQ(e.Attributes().size(), 5u);
  EXPECT_EQ(e.GetAttribute("a"), "say \"hi\"");
  EXPECT_EQ(e.GetAttribute("b"), "it's");
  EXPECT_EQ(e.Attributes()[2].name, "c");  // a repeated name keeps one attribute, the later value
  EXPECT_EQ(e.Attributes()[2].value, "2");
  EXPECT_EQ(e.GetAttribute("\xC3\xA9"), "3");
  EXPECT_EQ(e.GetAttribute("d"), "x&y");
  // An attribute name without '=' and a value before the end of the tag is dropped.
  EXPECT_EQ(XmlObject("<a b/>").ToString(), "<a/>\n");
  EXPECT_EQ(XmlObject("<a c='1' d></a>").ToString(), "<a c=\"1\"/>\n");
}

TEST(XmlParser, GreaterThanInsideAValueClosesTheStartTag) {
  XmlObject e("<a x='1>2'/>");
  EXPECT_EQ(e.FindAttribute("x"), nullptr);
  EXPECT_EQ(e.Text(), "");
  EXPECT_EQ(e.Name(), "a");
}

TEST(XmlParser, EndTagNameIsNotCompared) {
  XmlObject e("<a><b>t</c></a>");
  EXPECT_EQ(e.ToString(), "<a>\n  <b>t</b>\n</a>\n");
}

TEST(XmlParser, CharacterData) {
  EXPECT_EQ(XmlObject("<a>  hello  <b/></a>").Text(), "  hello  ");
  EXPECT_EQ(XmlObject("<a>  \n <b/> </a>").Text(), "");
  EXPECT_EQ(XmlObject("<a>x &lt;&amp;&#10; y</a>").Text(), "x <&\n y");
  // Text after a child starts afresh instead of swallowing the child's markup.
  XmlObject mixed("<a> <b/>tail</a>");
  EXPECT_EQ(mixed.Text(), "tail");
  EXPECT_EQ(mixed.Children().size(), 1u);
}

TEST(XmlParser, CommentsNestAndAreSkippedAnywhere) {
  XmlObject e("<!-- a <!-- b --> c --><a <!-- in tag --> x='1'>t<!-- in text -->u<b/></a>");
  EXPECT_EQ(e.Name(), "a");
  EXPECT_EQ(e.GetAttribute("x"), "1");
  EXPECT_EQ(e.Text(), "t<!-- in text -->u");  // comments are skipped, not cut out of the stored run
  EXPECT_EQ(e.Children().size(), 1u);
}

TEST(XmlParser, DeclarationAndInstructions) {
  XmlObject e("<?xml version=\"1.0\" encoding='UTF-8'?>\n<?style x?>\n<doc/>");
  ASSERT_EQ(e.Declaration().size(), 2u);
  EXPECT_EQ(e.GetDeclarationAttribute("encoding"), "UTF-8");
  ASSERT_EQ(e.Instructions().size(), 1u);
  EXPECT_EQ(e.Instructions()[0], "<?style x?>");
  EXPECT_EQ(e.ToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?style x?>\n<doc/>\n");
}

TEST(XmlParser, HeaderOnlyKeepsTheRootsNameAndAttributes) {
  XmlObject e;
  const std::string text = "<a x='1'>text<b y=oops><c/></b></a><next/>";
  EXPECT_EQ(ParseElement(e, text, nullptr, false, true), text.find("<next/>"));
  EXPECT_EQ(e.ToString(), "<a x=\"1\"/>\n");
  // Nested tag names are still checked, and an unclosed child still fails.
  EXPECT_NE(ParseError("<a><1b/></a>", false, true).find("Invalid tag name"), std::string::npos);
  EXPECT_NE(ParseError("<a><b></a>", false, true).find("Missing end tag: "), std::string::npos);
}

TEST(XmlParser, LenientAcceptsAnyAttributeName) {
  XmlObject e;
  ParseElement(e, "<f @#name='x' $speed='10' !s=''/>", nullptr, true, false);
  ASSERT_EQ(e.Attributes().size(), 3u);
  EXPECT_EQ(e.Attributes()[1].name, "$speed");
  EXPECT_NE(ParseError("<f @a='x'/>").find("Invalid attribute name: @a"), std::string::npos);
}

TEST(XmlParser, ThreadsKeepTheirOwnLineAndPosition) {
  std::atomic<int> wrong{0};
  auto run = [&](const std::string& text, const std::string& expected) {
    for (int i = 0; i < 2000; ++i)
      if (ParseError(text) != expected) ++wrong;
  };
  std::thread a(run, "<a>\n  <b>\n</a>", "XML Parsing Error (line 3, position 2) Missing end tag: a<a>\n  <b/>\n</a>\n");
  std::thread b(run, "<x>\n\n\n\n\n<y></x", "XML Parsing Error (line 6, position 6) Missing Right Angle Bracket Character<y/>\n");
  a.join();
  b.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace rb
