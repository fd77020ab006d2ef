#include <gtest/gtest.h>

#include <stdexcept>

#include "support/xmlobject.h"

namespace rb {
namespace {

const char* const kDocument =
    "<root a='1'>"
    "<a n='a1'><b n='b1'/></a>"
    "<A n='a2'><b n='b2'/><b n='b3'/></A>"
    "<dev n='d1' id='x1' type='QFDP'><name>first</name></dev>"
    "<dev n='d2' id='X2'/>"
    "<structure n='s1'><property name='speed' value='10'/><property name='Serial' value='AbC123'/></structure>"
    "<structure n='s2'><property name='speed' value='20'/></structure>"
    "<item n='i1'><status>ok</status><status>degraded</status></item>"
    "<item n='i2'/>"
    "<t n='t1'>abc</t><t n='t2'>Abc</t>"
    "</root>";

// The n attributes of the selected elements, space separated.
std::string Names(const std::vector<const XmlObject*>& nodes) {
  std::string out;
  for (const XmlObject* e : nodes) out += (out.empty() ? "" : " ") + e->GetAttribute("n", e->Name());
  return out;
}

TEST(XmlQuery, PathsAndFilters) {
  const XmlObject doc(kDocument);
  const struct {
    const char* path;
    const char* filter;
    const char* expected;
  } cases[] = {
      {"a/b", "", "b1 b2 b3"},  // every route, in document order, names ignoring case
      {"a", "@n='A2'", "a2"},
      {"dev", "@ID='x2'", "d2"},
      {"dev[@id='1']", "", ""},
      {"dev[@id='x1']/name", "", "name"},
      {"dev[@type='QFDP' @id='x1']", "", "d1"},
      {"dev[@type='QFDP']]trailing", "", "d1"},  // what follows the closing bracket is ignored
      {"dev[@type='QFDP'", "", ""},              // no closing bracket: a plain name
      {"dev", "@#id='X'", "d1 d2"},
      {"dev", "@!type='qfdp'", "d2"},
      {"dev", "@*type=''", "d1"},
      {"dev", "@type=''", "d2"},  // a missing attribute is an empty one
      {"structure", "$speed='10'", "s1"},
      {"structure", "$#serial='bc1'", "s1"},
      {"structure", "$!speed='10'", "s2"},
      {"structure", "$*serial=''", "s1"},
      {"structure", "$speed='1'", ""},
      {"item", "status='OK'", "i1"},
      {"item", "#status='grad'", "i1"},
      {"item", "#status='OK'", ""},  // contains is exact case
      {"item", "!status='ok'", "i1 i2"},  // i1 has a status without "ok"; i2 has none
      {"item", "*status=''", "i1"},
      {"t", "abc", "t1"},  // no '=': the text, exact case
      {".", "", "root"},
      {".[@a='1']", "", "root"},
      {".[@a='2']", "", ""},
      {"..", "", ""},
      {"a/..", "", "root root"},
      {"a/b/../..", "", "root root root"},
      {"a[@x='1/2']", "", ""},  // a predicate cannot hold a slash
      {"", "", ""},
      {"/a", "", ""},
      {"a/", "", ""},
      {"missing/b", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Names(doc.SelectNodes(c.path, c.filter)), c.expected) << c.path << " | " << c.filter;
}

TEST(XmlQuery, SelectSingleNodeAndMutableResults) {
  XmlObject doc(kDocument);
  EXPECT_EQ(doc.SelectSingleNode("a/b")->GetAttribute("n"), "b1");
  EXPECT_EQ(doc.SelectSingleNode("a/c"), nullptr);
  doc.SelectSingleNode("dev", "@id='X2'")->SetAttribute("seen", "1");
  EXPECT_EQ(doc.GetValue("dev[@seen='1']/@id"), "X2");
}

TEST(XmlQuery, GetValue) {
  const XmlObject doc(kDocument);
  const struct {
    const char* path;
    const char* def;
    const char* expected;
  } cases[] = {
      {"@a", "", "1"},
      {"@missing", "d", "d"},
      {"dev[@id='x1']/name", "", "first"},
      {"dev[@id='X2']/name", "none", "none"},  // the matching dev has no name child
      {"dev[@id='1']/name", "none", "none"},
      {"dev/@id", "", "x1"},
      {"dev/@missing", "0", "0"},  // only the first dev is looked at
      {"item/status", "", "ok"},
      {"t", "", "abc"},
      {"structure/property[@name='serial']/@value", "", "AbC123"},
      {"mode/@surveyOnly", "0", "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(doc.GetValue(c.path, c.def), c.expected) << c.path;
  EXPECT_EQ(XmlObject("<c><mode surveyOnly='1'/></c>").GetValue("mode/@surveyOnly", "0"), "1");
}

TEST(XmlQuery, MalformedFilterRaisesTheParseError) {
  const XmlObject doc(kDocument);
  EXPECT_TRUE(doc.MatchesFilter(""));
  try {
    doc.MatchesFilter("@a=1");
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(),
                 "XML Parsing Error (line 1, position 12) Single or double quote expected: 1 attribute: @a tag "
                 "value: filter\n\n\n<filter/>\n");
  }
  // A predicate is compiled only when there is something to test.
  EXPECT_TRUE(doc.SelectNodes("nothing[@a=1]").empty());
  EXPECT_THROW(doc.SelectNodes("dev[@a=1]"), std::runtime_error);
}

}  // namespace
}  // namespace rb
