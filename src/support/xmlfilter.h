#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rb {

class XmlObject;

// A predicate over one element, compiled once and tested against many. An empty filter accepts
// everything; a filter without '=' accepts an element whose text equals it exactly; otherwise the
// filter is a list of conditions in attribute syntax, each selected by the prefix of its name:
//   @a='v' attribute matches   @#a='v' attribute contains (case-folded)   @!a='v' does not match   @*a='' present
//   $p='v' property p's value matches, $#p contains, $!p does not match, $*p='' property p present
//   c='v' some child c's text matches   #c='v' some child c contains   !c='v' no child c, or one not
//   containing v   *c='' some child c exists
// A filter that is not valid attribute syntax raises the parser's runtime error when compiled.
class XmlFilter {
 public:
  explicit XmlFilter(std::string_view filter);
  ~XmlFilter();
  XmlFilter(XmlFilter&&) noexcept;
  XmlFilter& operator=(XmlFilter&&) noexcept;

  bool Matches(const XmlObject& node) const;

 private:
  enum class Mode { kAll, kTextEquals, kConditions };
  struct Condition;

  Mode mode_ = Mode::kAll;
  std::string text_;
  std::vector<Condition> conditions_;
};

}  // namespace rb
