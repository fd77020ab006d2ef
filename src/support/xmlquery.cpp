// Path queries over an element tree: relative paths of steps separated by '/', each step ".", "..",
// a name, or a name with a bracketed predicate. No absolute paths, wildcards or descendant axis.
#include <memory>
#include <optional>
#include <utility>

#include "support/stringutil.h"
#include "support/xmlfilter.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

// A filter compiled on first use, so that a malformed predicate fails only when something is tested.
class LazyFilter {
 public:
  explicit LazyFilter(std::string_view text) : text_(text) {}
  bool Matches(const XmlObject& node) const {
    if (text_.empty()) return true;
    if (!compiled_) compiled_.emplace(text_);
    return compiled_->Matches(node);
  }

 private:
  std::string_view text_;
  mutable std::optional<XmlFilter> compiled_;
};

struct Step {
  std::string_view name;  // ".", "..", or a child name
  std::unique_ptr<LazyFilter> predicate;
};

// Splits at every '/'. A step's predicate lies between its first '[' and the first ']' after it;
// without that ']' the whole step is a plain name.
std::vector<Step> ParsePath(std::string_view path) {
  std::vector<Step> steps;
  while (true) {
    const std::size_t slash = path.find('/');
    const std::string_view step = path.substr(0, slash);
    Step s{step, nullptr};
    const std::size_t open = step.find('[');
    if (open != std::string_view::npos) {
      const std::size_t close = step.find(']', open + 1);
      if (close != std::string_view::npos) {
        s.name = step.substr(0, open);
        s.predicate = std::make_unique<LazyFilter>(step.substr(open + 1, close - open - 1));
      }
    }
    steps.push_back(std::move(s));
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return steps;
}

// Collects the matches of steps[index..] below `node`, in document order, up to `limit` of them.
void Select(const XmlObject& node, const std::vector<Step>& steps, std::size_t index, const LazyFilter& filter,
            std::size_t limit, std::vector<const XmlObject*>& out) {
  const Step& step = steps[index];
  const bool last = index + 1 == steps.size();
  auto visit = [&](const XmlObject& candidate) {
    if (step.predicate && !step.predicate->Matches(candidate)) return;
    if (!last) {
      Select(candidate, steps, index + 1, filter, limit, out);
    } else if (filter.Matches(candidate)) {
      out.push_back(&candidate);
    }
  };
  if (step.name == ".") {
    visit(node);
  } else if (step.name == "..") {
    if (node.Parent() != nullptr) visit(*node.Parent());
  } else {
    for (const XmlObject& child : node.Children()) {
      if (out.size() >= limit) return;
      if (EqualsNoCase(child.Name(), step.name)) visit(child);
    }
  }
}

std::vector<const XmlObject*> Query(const XmlObject& node, std::string_view path, std::string_view filter,
                                    std::size_t limit) {
  std::vector<const XmlObject*> out;
  const std::vector<Step> steps = ParsePath(path);
  const LazyFilter compiled(filter);
  Select(node, steps, 0, compiled, limit, out);
  return out;
}

}  // namespace

std::vector<const XmlObject*> XmlObject::SelectNodes(std::string_view path, std::string_view filter) const {
  return Query(*this, path, filter, static_cast<std::size_t>(-1));
}

std::vector<XmlObject*> XmlObject::SelectNodes(std::string_view path, std::string_view filter) {
  const std::vector<const XmlObject*> found = std::as_const(*this).SelectNodes(path, filter);
  std::vector<XmlObject*> out;
  out.reserve(found.size());
  for (const XmlObject* e : found) out.push_back(const_cast<XmlObject*>(e));
  return out;
}

const XmlObject* XmlObject::SelectSingleNode(std::string_view path, std::string_view filter) const {
  const std::vector<const XmlObject*> found = Query(*this, path, filter, 1);
  return found.empty() ? nullptr : found.front();
}

XmlObject* XmlObject::SelectSingleNode(std::string_view path, std::string_view filter) {
  return const_cast<XmlObject*>(std::as_const(*this).SelectSingleNode(path, filter));
}

std::string XmlObject::GetValue(std::string_view path, std::string_view def) const {
  const XmlObject* target = this;
  std::string_view last = path;
  const std::size_t slash = path.rfind('/');
  if (slash != std::string_view::npos) {
    target = SelectSingleNode(path.substr(0, slash));
    if (target == nullptr) return std::string(def);
    last = path.substr(slash + 1);
  }
  if (last.starts_with("@")) return target->GetAttribute(last.substr(1), def);
  const XmlObject* element = target->SelectSingleNode(last);
  return element != nullptr ? element->Text() : std::string(def);
}

bool XmlObject::MatchesFilter(std::string_view filter) const { return XmlFilter(filter).Matches(*this); }

}  // namespace rb
