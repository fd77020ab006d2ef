// libFuzzer target: arbitrary bytes as the text of one element, parsed as a document is parsed (strict
// names), as a filter is parsed (lenient attribute names) and as a file's headers are walked (header
// only). Besides running clean under the sanitizers, a parse must:
// - end in the element (its end within the text) or in the parse error, whose message starts with
//   "XML Parsing Error (line ";
// - leave a tree whose every element links to its parent at one more depth, and whose copy writes the
//   same text and is linked as well;
// - give the same answer for the same text twice (the counters and scratch state of one parse do not
//   leak into the next);
// - agree across the modes: what parses strictly parses leniently to the same tree, and walks header
//   only to the same end, name and attributes, with no children kept.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/xmlobject.h"
#include "support/xmlparser.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "xmlparser_fuzzer: %s\n", what);
  __builtin_trap();
}

void CheckLinks(const rb::XmlObject& element, const rb::XmlObject* parent, std::int32_t depth) {
  if (element.Parent() != parent || element.Depth() != depth) Fail("an element is linked wrongly");
  for (const rb::XmlObject& child : element.Children()) CheckLinks(child, &element, depth + 1);
}

bool SameAttributes(const std::vector<rb::XmlAttribute>& a, const std::vector<rb::XmlAttribute>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].value != b[i].value) return false;
  }
  return true;
}

struct Outcome {
  std::size_t end = rb::kNoElement;
  std::string error;  // the parse error's message; empty when the parse succeeded
  rb::XmlObject element;

  bool operator==(const Outcome& other) const {
    return end == other.end && error == other.error && element.ToString() == other.element.ToString();
  }
};

Outcome Parse(std::string_view text, bool lenient, bool headerOnly) {
  Outcome outcome;
  try {
    outcome.end = rb::ParseElement(outcome.element, text, nullptr, lenient, headerOnly);
  } catch (const std::runtime_error& error) {
    outcome.error = error.what();
    if (!outcome.error.starts_with("XML Parsing Error (line ")) Fail("a parse error without its prefix");
    return outcome;
  }
  if (outcome.end != rb::kNoElement && outcome.end > text.size()) Fail("the element ends past the text");
  CheckLinks(outcome.element, nullptr, 0);
  const rb::XmlObject copy(outcome.element);
  CheckLinks(copy, nullptr, 0);
  if (copy.ToString() != outcome.element.ToString()) Fail("a copy writes other text");
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Outcome strict = Parse(text, false, false);
  if (!(Parse(text, false, false) == strict)) Fail("the same text parses differently the second time");
  const Outcome lenient = Parse(text, true, false);
  const Outcome headers = Parse(text, false, true);
  if (!strict.error.empty()) return 0;
  if (!(lenient == strict)) Fail("a strict parse and a lenient parse disagree");
  if (!headers.error.empty()) Fail("a header-only walk fails where the parse succeeds");
  if (headers.end != strict.end || headers.element.Name() != strict.element.Name() ||
      !SameAttributes(headers.element.Attributes(), strict.element.Attributes()) || !headers.element.Children().empty()) {
    Fail("a header-only walk and the parse disagree");
  }
  return 0;
}
