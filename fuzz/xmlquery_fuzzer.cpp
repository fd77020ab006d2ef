// libFuzzer target: path queries and filters. The input is a path, a line feed, a filter, a line feed
// and the document the query runs on (an input without two line feeds is used as the path alone, on a
// small fixed document). Besides running clean under the sanitizers:
// - the filter applies to the last step only: SelectNodes (path, filter) answers exactly the nodes of
//   SelectNodes (path, "") that pass MatchesFilter (filter), in the same order, and fails exactly when
//   testing those nodes fails;
// - SelectSingleNode answers the first of them (or none), and the mutable overloads the same nodes;
// - every node answered lies in the document, and GetValue answers without failing on a valid path;
// - the only failure is the parse error of a malformed predicate or filter.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/xmlobject.h"

namespace {

constexpr std::string_view kDocument =
    "<config><mode surveyOnly='1'/><PCI><dev id='1' name='a'><name>first</name></dev>"
    "<dev id='2'><property name='speed' value='10'/><status>ok</status></dev></PCI></config>";

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "xmlquery_fuzzer: %s\n", what);
  __builtin_trap();
}

void CheckError(const std::runtime_error& error) {
  if (!std::string_view(error.what()).starts_with("XML Parsing Error (line "))
    Fail("a query failed other than with the parse error");
}

// Whether `node` is `root` or lies below it.
bool Within(const rb::XmlObject* node, const rb::XmlObject& root) {
  for (; node != nullptr; node = node->Parent()) {
    if (node == &root) return true;
  }
  return false;
}

// The nodes of a query, or none when it failed.
template <typename Query>
std::optional<std::vector<const rb::XmlObject*>> Run(Query query) {
  try {
    return query();
  } catch (const std::runtime_error& error) {
    CheckError(error);
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view path = input;
  std::string_view filter;
  std::string_view documentText = kDocument;
  const std::size_t first = input.find('\n');
  const std::size_t second = first == std::string_view::npos ? first : input.find('\n', first + 1);
  if (second != std::string_view::npos) {
    path = input.substr(0, first);
    filter = input.substr(first + 1, second - first - 1);
    documentText = input.substr(second + 1);
  }

  rb::XmlObject document;
  try {
    document = rb::XmlObject(documentText);
  } catch (const std::runtime_error& error) {
    CheckError(error);
    return 0;
  }
  const rb::XmlObject& root = document;

  const auto all = Run([&] { return root.SelectNodes(path); });
  if (!all) return 0;  // a malformed predicate in the path
  for (const rb::XmlObject* node : *all) {
    if (!Within(node, root)) Fail("a query answered a node outside the document");
  }

  // What the filter should keep of the unfiltered answer.
  const auto expected = Run([&] {
    std::vector<const rb::XmlObject*> kept;
    for (const rb::XmlObject* node : *all) {
      if (node->MatchesFilter(filter)) kept.push_back(node);
    }
    return kept;
  });
  const auto filtered = Run([&] { return root.SelectNodes(path, filter); });
  if (expected.has_value() != filtered.has_value()) Fail("the filter fails in one query and not the other");
  if (filtered && *filtered != *expected) Fail("the filter kept other nodes than MatchesFilter accepts");

  const auto single = Run([&] {
    const rb::XmlObject* node = root.SelectSingleNode(path, filter);
    return node != nullptr ? std::vector{node} : std::vector<const rb::XmlObject*>{};
  });
  if (filtered) {
    if (!single) Fail("SelectSingleNode fails where SelectNodes succeeds");
    if (single->empty() != filtered->empty() || (!single->empty() && single->front() != filtered->front()))
      Fail("SelectSingleNode is not the first node of SelectNodes");
    const std::vector<rb::XmlObject*> mutableNodes = document.SelectNodes(path, filter);
    if (!std::equal(mutableNodes.begin(), mutableNodes.end(), filtered->begin(), filtered->end()))
      Fail("the mutable SelectNodes answers other nodes");
  }

  try {
    (void)root.GetValue(path, "default");
  } catch (const std::runtime_error& error) {
    CheckError(error);
  }
  return 0;
}
