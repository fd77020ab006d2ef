#include "support/xmlobject.h"

#include <gtest/gtest.h>

#include "support/stringutil.h"
#include "support/xmlescape.h"

namespace rb {
namespace {

// Every element below `e` links to its parent and sits one level deeper.
void ExpectLinked(const XmlObject& e) {
  for (const XmlObject& child : e.Children()) {
    EXPECT_EQ(child.Parent(), &e) << child.Name();
    EXPECT_EQ(child.Depth(), e.Depth() + 1) << child.Name();
    ExpectLinked(child);
  }
}

TEST(CompareNoCase, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(CompareNoCase("ABC", "abc"), 0);
  EXPECT_LT(CompareNoCase("ab", "abc"), 0);
  EXPECT_GT(CompareNoCase("b", "A"), 0);
  EXPECT_NE(CompareNoCase("\xC9", "\xE9"), 0);  // bytes above 127 are not folded
  EXPECT_NE(CompareNoCase("[", "{"), 0);        // nor punctuation next to the letters
  EXPECT_EQ(CompareNoCase("abcX", "ABCy", 3), 0);
  EXPECT_NE(CompareNoCase("abcX", "ABCy", 4), 0);
  // Longer strings, with the first difference after the first eight bytes.
  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"0123456789ABCDEF", "0123456789abcdef", 0},  {"0123456789abcdeF", "0123456789abcdeG", -1},
      {"0123456789abcdeZ", "0123456789abcde[", 1},  // 'z' > '['
      {"0123456789abcde@", "0123456789abcde`", -1}, {"0123456789abcdef", "0123456789abcdefX", -1},
      {"0123456789\xC9", "0123456789\xE9", -1},
  };
  for (const auto& c : cases) {
    const int r = CompareNoCase(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " | " << c.b;
    EXPECT_EQ(EqualsNoCase(c.a, c.b), c.sign == 0) << c.a << " | " << c.b;
    EXPECT_EQ(EqualsNoCase(c.b, c.a), c.sign == 0) << c.a << " | " << c.b;
  }
}

TEST(XmlAttributes, LookupIgnoresCaseAndKeepsFirstSpelling) {
  XmlObject e;
  e.SetAttribute("name", "x");
  EXPECT_EQ(e.GetAttribute("Name", "d"), "x");
  EXPECT_EQ(e.GetAttribute("other", "d"), "d");
  e.SetAttribute("empty", "");
  EXPECT_EQ(e.GetAttribute("empty", "d"), "");

  e.SetAttribute("NAME", "y");  // replaces in place, keeps the first spelling
  ASSERT_EQ(e.Attributes().size(), 2u);
  EXPECT_EQ(e.Attributes()[0].name, "name");
  EXPECT_EQ(e.Attributes()[0].value, "y");

  EXPECT_EQ(e.CompareAttribute("name", "Y"), 0);
  EXPECT_EQ(e.CompareAttribute("missing", ""), -1);
  e.RemoveAttribute("NaMe");
  EXPECT_EQ(e.FindAttribute("name"), nullptr);
}

TEST(XmlAttributes, ValueIsCutAtTheFirstControlByte) {
  XmlObject e("<e/>");
  e.SetAttribute("a", std::string("ab\x01" "cd"));
  e.SetAttribute("b", std::string("x\xFFy"));
  e.SetAttribute("c", std::string("t\tl\nr\r"));
  EXPECT_EQ(e.GetAttribute("a"), "ab");
  EXPECT_EQ(e.GetAttribute("b"), "x");
  EXPECT_EQ(e.ToString(), "<e a=\"ab\" b=\"x\" c=\"t&#09;l&#10;r&#13;\"/>\n");
}

TEST(XmlEscape, TextAttributeAndUnescapeTables) {
  const std::string five = "\"<>&'";
  EXPECT_EQ(XmlEscapeAttribute(five), "&quot;&lt;&gt;&amp;'");
  EXPECT_EQ(XmlEscapeText(five), "\"&lt;&gt;&amp;'");
  EXPECT_EQ(XmlEscapeText("a\tb\nc\rd"), "a&#09;b&#10;c&#13;d");

  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"&lt;&gt;&amp;&apos;&quot;", "<>&'\""},
      {"&#10;&#13;&#09;", "\n\r\t"},
      {"&amp;lt;", "&lt;"},  // the inserted '&' is not scanned again
      {"&#9;", "&#9;"},
      {"&LT;", "&LT;"},
      {"&nbsp; & &", "&nbsp; & &"},
      {"a&", "a&"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(XmlUnescape(c.in), c.out) << c.in;
}

TEST(XmlWriter, DocumentLayout) {
  XmlObject root;
  root.SetName("root");
  root.SetDeclarationAttribute("version", "1.0");
  root.SetAttribute("a", "1&2");
  XmlObject child;
  child.SetName("child");
  child.SetText("x < y");
  root.AddChild(child);
  XmlObject empty;
  empty.SetName("empty");
  root.AddChild(empty);
  EXPECT_EQ(root.ToString(),
            "<?xml version=\"1.0\"?>\n"
            "<root a=\"1&amp;2\">\n"
            "  <child>x &lt; y</child>\n"
            "  <empty/>\n"
            "</root>\n");
  // A subtree written on its own keeps the indentation of its depth and writes no declaration.
  EXPECT_EQ(root.Children()[0].ToString(), "  <child>x &lt; y</child>\n");
}

TEST(XmlWriter, FormTable) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"<a></a>", "<a/>\n"},
      {"<a>t</a>", "<a>t</a>\n"},
      {"<a>hi<b/></a>", "<a>hi  <b/>\n</a>\n"},  // text and children: first child after the text
      {"<a><b><c>x</c></b></a>", "<a>\n  <b>\n    <c>x</c>\n  </b>\n</a>\n"},
      {"<?xml encoding='UTF-8'?><a/>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a/>\n"},
      {"<?xml encoding='x' Version='2'?><a/>", "<?xml version=\"2\" encoding=\"x\"?>\n<a/>\n"},
      {"<?pi x?><a><?q?><b/></a>", "<?pi x?>\n<a>\n  <?q?>\n  <b/>\n</a>\n"},
      {"<a><b><?xml version='9'?><c/></b></a>", "<a>\n  <b>\n    <c/>\n  </b>\n</a>\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(XmlObject(c.in).ToString(), c.out) << c.in;
}

TEST(XmlWriter, NamelessElementsAndNamelessAttributes) {
  XmlObject e("<a/>");
  e.SetAttribute("", "lost");
  e.SetAttribute("b", "1");
  EXPECT_EQ(e.ToString(), "<a  b=\"1\"/>\n");

  XmlObject container;
  container.SetAttribute("k", "v");
  container.AddChild(XmlObject("<x/>"));
  container.AddChild(XmlObject("<y>t</y>"));
  EXPECT_EQ(container.ToString(), " k=\"v\"\n  <x/>\n  <y>t</y>\n");
  container.SetText("only text");
  container.RemoveChildren();
  EXPECT_EQ(container.ToString(), " k=\"v\"only text");
}

TEST(XmlWriter, DeclarationIsReorderedOnTheElement) {
  XmlObject e("<a/>");
  e.SetDeclarationAttribute("standalone", "yes");
  e.ToString();
  ASSERT_EQ(e.Declaration().size(), 2u);
  EXPECT_EQ(e.Declaration()[0].name, "version");
  EXPECT_EQ(e.Declaration()[0].value, "1.0");
}

TEST(XmlModel, CopiesAreDetachedAndLinkedInternally) {
  XmlObject root("<r><a><b><c/></b></a></r>");
  const XmlObject& a = root.Children()[0];
  ASSERT_EQ(a.Depth(), 1);
  XmlObject copy(a);
  EXPECT_EQ(copy.Parent(), nullptr);
  EXPECT_EQ(copy.Depth(), 0);
  ExpectLinked(copy);
  EXPECT_EQ(copy.ToString(), "<a>\n  <b>\n    <c/>\n  </b>\n</a>\n");

  XmlObject assigned("<z/>");
  assigned = root.Children()[0].Children()[0];
  EXPECT_EQ(assigned.Depth(), 0);
  ExpectLinked(assigned);
}

TEST(XmlModel, AddChildKeepsLinksWhileTheListGrows) {
  XmlObject root("<r/>");
  XmlObject item("<item><sub><leaf/></sub></item>");
  XmlObject* first = &root.AddChild(item);
  EXPECT_EQ(first->Depth(), 1);
  for (int i = 0; i < 200; ++i) root.AddChild(item);
  ExpectLinked(root);
  // Adding an element to itself stores a copy of what it was.
  XmlObject& self = root.Children()[5].AddChild(root.Children()[5]);
  EXPECT_EQ(self.Children().size(), 1u);  // the copied item with its own sub element
  EXPECT_EQ(root.Children()[5].Children().size(), 2u);
  ExpectLinked(root);
}

TEST(XmlModel, ReassignedChildIsDetachedUntilTheNextAddChild) {
  XmlObject root("<r><a/><b><c/></b></r>");
  root.Children()[0] = XmlObject("<z><y/></z>");
  EXPECT_EQ(root.Children()[0].Parent(), nullptr);
  EXPECT_EQ(root.Children()[0].Depth(), 0);
  root.AddChild(XmlObject("<n/>"));
  ExpectLinked(root);
  EXPECT_EQ(root.ToString(), "<r>\n  <z>\n    <y/>\n  </z>\n  <b>\n    <c/>\n  </b>\n  <n/>\n</r>\n");
}

TEST(XmlModel, LinkingEmptiesDeclarationsBelowTheRoot) {
  XmlObject child("<?xml version='1.0'?><c><d/></c>");
  ASSERT_EQ(child.Declaration().size(), 1u);
  XmlObject root("<r/>");
  XmlObject& stored = root.AddChild(child);
  EXPECT_TRUE(stored.Declaration().empty());
  stored.Children()[0].SetDeclarationAttribute("encoding", "x");
  root.AddChild(XmlObject("<e/>"));
  EXPECT_TRUE(root.Children()[0].Children()[0].Declaration().empty());
}

TEST(XmlModel, ClearIsEmptyAndAddText) {
  XmlObject e("<a x='1'>t<b/></a>");
  e.SetDeclarationAttribute("version", "1.0");
  EXPECT_FALSE(e.IsEmpty());
  e.Clear();
  EXPECT_TRUE(e.IsEmpty());
  EXPECT_TRUE(e.Declaration().empty());
  e.SetDeclarationAttribute("version", "1.0");
  EXPECT_TRUE(e.IsEmpty());  // the declaration is not looked at

  e.AddText("mid", 1);
  e.AddText("pre-", 0);
  e.AddText("-post", 1);
  e.AddText("ignored", 2);
  EXPECT_EQ(e.Text(), "pre-mid-post");
}

TEST(XmlProperties, AddPropertyForms) {
  XmlObject d("<device/>");
  d.AddProperty("n", "c", std::uint8_t{7}, 3);
  d.AddProperty("size", "Size", std::uint64_t{18446744073709551615ull});
  d.AddProperty("temp", "Temp", std::int32_t{-5}, kPropertyLogical);
  d.AddProperty("id", "Id", std::uint32_t{4000000000u}, kPropertyHexData);
  d.AddProperty("s", "S", "v&1", 2);
  d.AddProperty("t", "T", std::string("w"), 99);
  EXPECT_EQ(d.ToString(),
            "<device>\n"
            "  <property name=\"n\" caption=\"c\" value=\"7\" techDetail=\"1\"/>\n"
            "  <property name=\"size\" caption=\"Size\" value=\"18446744073709551615\"/>\n"
            "  <property name=\"temp\" caption=\"Temp\" value=\"-5\" logical=\"1\"/>\n"
            "  <property name=\"id\" caption=\"Id\" value=\"4000000000\" hexData=\"1\"/>\n"
            "  <property name=\"s\" caption=\"S\" value=\"v&amp;1\"/>\n"
            "  <property name=\"t\" caption=\"T\" value=\"w\"/>\n"
            "</device>\n");
}

TEST(XmlProperties, GetPropertyValueSkipsEmptyValues) {
  XmlObject d("<d><property name='Speed' value=''/><other name='speed' value='x'/>"
              "<property name='SPEED' value='10'/><property name='speed' value='20'/></d>");
  EXPECT_EQ(d.GetPropertyValue("speed"), "10");
  EXPECT_EQ(d.GetPropertyValue("missing"), "");
}

TEST(XmlProperties, MakeTextItem) {
  EXPECT_EQ(XmlObject::MakeTextItem("n", "c", "d<").ToString(),
            "<TextItem name=\"n\" caption=\"c\" description=\"d&lt;\"/>\n");
}

}  // namespace
}  // namespace rb
