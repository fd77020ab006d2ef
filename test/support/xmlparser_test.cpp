#include "support/xmlparser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
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
      // Line feeds count wherever they stand: between attributes, inside values, text and comments.
      {"<a\n  b='1'\n  c='2'\n  d=3/>",
       "XML Parsing Error (line 4, position 6) Single or double quote expected: 3 attribute: d tag value: "
       "a\n\n\n"
       "<a b=\"1\" c=\"2\"/>\n"},
      {"<a x='1\n23' y=4/>",
       "XML Parsing Error (line 2, position 8) Single or double quote expected: 4 attribute: y tag value: "
       "a\n\n\n"
       "<a x=\"1&#10;23\"/>\n"},
      {"<a>\n  text\n  more <b c=d/></a>",
       "XML Parsing Error (line 3, position 15) Single or double quote expected: d attribute: c tag value: "
       "b\n\n\n"
       "<b/>\n"},
      {"<a>\n<!-- one\ntwo\nthree -->\n<b c='x' d></b>\n<e f=g/></a>",
       "XML Parsing Error (line 6, position 8) Single or double quote expected: g attribute: f tag value: "
       "e\n\n\n"
       "<e/>\n"},
      // A comment inside a value is skipped (opener and closer count 4 and 3 more) and kept in the value.
      {"<a x='<!-- q\n -->v' y=z/>",
       "XML Parsing Error (line 2, position 12) Single or double quote expected: z attribute: y tag value: "
       "a\n\n\n"
       "<a x=\"&lt;!-- q&#10; --&gt;v\"/>\n"},
      // Each nested element counts its own '<' once more.
      {"<a>\n  <b>\n    <c x='1'>\n      <d y=oops/>",
       "XML Parsing Error (line 4, position 14) Single or double quote expected: o attribute: y tag value: "
       "d\n\n\n"
       "<d/>\n"},
      // The bytes of a processing instruction and of an end tag after its '<' are not counted.
      {"<a><b/>\n\n<?pi\n\n?>\n<c x=y/></a>",
       "XML Parsing Error (line 4, position 7) Single or double quote expected: y attribute: x tag value: "
       "c\n\n\n"
       "<?pi\n\n?>\n<c/>\n"},
      {"<a>\n  <b x='v'>t</b>\n  <c\n   y='w'/>\n</a oops",
       "XML Parsing Error (line 5, position 2) Missing Right Angle Bracket Character<a>\n  <b x=\"v\">t</b>\n"
       "  <c y=\"w\"/>\n</a>\n"},
      // The declaration is read by a root parse of its own, which restarts the counters.
      {"<?xml version='1.0' encoding=x?>\n<a/>",
       "XML Parsing Error (line 1, position 27) Single or double quote expected: x attribute: encoding tag "
       "value: d"
       "\n\n\n<d version=\"1.0\"/>\n"},
      {"<?xml version='1.0'\n encoding='x'?>\n\n<a b=c/>",
       "XML Parsing Error (line 4, position 7) Single or double quote expected: c attribute: b tag value: "
       "a\n\n\n"
       "<?xml version=\"1.0\" encoding=\"x\"?>\n<a/>\n"},
      // A stray comment closer makes the depth negative: the opener that follows does not start a comment.
      {"<a>--><!--\n<b c=d/></a>",
       "XML Parsing Error (line 2, position 8) Single or double quote expected: d attribute: c tag value: "
       "b\n\n\n"
       "<b/>\n"},
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

// A tag with very many attributes parses in time linear in their number, and a repeated name (in any
// case) still replaces the earlier value, in a short tag and in a long one alike.
TEST(XmlParser, ManyAttributesParseInLinearTime) {
  constexpr int kCount = 160000;
  std::string text = "<e";
  for (int i = 0; i < kCount; ++i) text += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
  text += " A5='five' a159999='last' A3='three'/>";
  const auto start = std::chrono::steady_clock::now();
  const XmlObject e(text);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  // Linear, this is well under a second even instrumented; quadratic, it took twenty.
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  ASSERT_EQ(e.Attributes().size(), static_cast<std::size_t>(kCount));
  EXPECT_EQ(e.Attributes()[5].name, "a5");
  EXPECT_EQ(e.Attributes()[5].value, "five");
  EXPECT_EQ(e.Attributes()[3].value, "three");
  EXPECT_EQ(e.Attributes()[kCount - 1].value, "last");
  EXPECT_EQ(e.Attributes()[kCount - 2].value, std::to_string(kCount - 2));
  // The next tag of the same parse starts with no names of its own.
  const XmlObject pair(
      "<p><q a1='1' b='2' c='3' d='4' e='5' f='6' g='7' h='8' i='9' j='10' A1='x'/><r a1='y'/></p>");
  EXPECT_EQ(pair.Children()[0].Attributes().size(), 10u);
  EXPECT_EQ(pair.Children()[0].GetAttribute("a1"), "x");
  EXPECT_EQ(pair.Children()[1].GetAttribute("a1"), "y");
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

TEST(XmlParser, BytesThatMatterOnlyInSomePlaces) {
  const struct {
    std::string text;
    const char* written;
  } cases[] = {
      // Hyphens and '<' are ordinary inside names and values; a '>' in a value closes the tag.
      {"<a-b c-d='e-f' g='<h' i='a>b'/>", "<a-b c-d=\"e-f\" g=\"&lt;h\"/>\n"},
      // A comment inside the tag name is skipped but stays in the name.
      {"<a<!-- x -->b c='1'/>", "<a<!-- x -->b c=\"1\"/>\n"},
      // Whitespace and line feeds around '='.
      {"<a x = 'v' y\n=\n\"w\"/>", "<a x=\"v\" y=\"w\"/>\n"},
      // The last of three spellings of one name gives the value, the first its spelling.
      {"<a x='1' X='2' x=\"3\"/>", "<a x=\"3\"/>\n"},
      // A value is cut at its first control byte, also one inside a comment inside the value.
      {"<a x='&amp;\x01&lt;'/>", "<a x=\"&amp;\"/>\n"},
      {"<a x='ab<!--\x01-->cd' y='e\x02"
       "f'/>",
       "<a x=\"ab&lt;!--\" y=\"e\"/>\n"},
      // A '>' in the content is not character data; "/>" anywhere in it ends the element.
      {"<a>></a>", "<a/>\n"},
      {"<a> > </a>", "<a/>\n"},
      {"<a>x></a>", "<a>x&gt;</a>\n"},
      {"<a>text/>rest</a>", "<a/>\n"},
      // Whitespace-only content with TAB, CR and LF is not stored.
      {"<a>\t\r\n </a>", "<a/>\n"},
      // After a stray closer the next opener leaves the depth at zero: what follows is text.
      {"<a>--><!--x</a>", "<a>x</a>\n"},
      {"<a>x <!-- <b/> --> y<c/></a>", "<a>x &lt;!-- &lt;b/&gt; --&gt; y  <c/>\n</a>\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(XmlObject(c.text).ToString(), c.written) << c.text;
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

// Elements nested `levels` deep: the root and levels - 1 below it.
std::string Nested(std::size_t levels) {
  std::string text;
  for (std::size_t i = 0; i < levels; ++i) text += "<a>";
  for (std::size_t i = 0; i < levels; ++i) text += "</a>";
  return text;
}

// The parse recurses per level: a text nested deeper than the bound ends in the parse error, not in a
// stack overflow of the calling thread (the deepest case used to crash the process).
TEST(XmlParser, NestingIsBounded) {
  const XmlObject deepest(Nested(257));
  const XmlObject* e = &deepest;
  for (int level = 0; level < 256; ++level) {
    ASSERT_EQ(e->Children().size(), 1u) << level;
    e = &e->Children().front();
  }
  EXPECT_EQ(e->Depth(), 256);
  EXPECT_EQ(XmlObject(deepest).ToString(), deepest.ToString());

  for (std::size_t levels : {258, 1000000}) {
    const std::string error = ParseError(Nested(levels));
    EXPECT_TRUE(error.starts_with("XML Parsing Error (line 1, position ")) << error;
    EXPECT_NE(error.find(") Elements nested too deeply<a/>\n"), std::string::npos) << error;
  }
  EXPECT_NE(ParseError(Nested(1000000), false, true).find("Elements nested too deeply"), std::string::npos);
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
