#include "framework/enumerationparameter.h"

#include <algorithm>

#include "support/stringutil.h"

namespace rb {

XmlObject EnumerationParameter::Describe() const {
  XmlObject element = Parameter::Describe();
  for (const EnumOption& option : options_) element.AddChild(option.Describe());
  return element;
}

void EnumerationParameter::SetValue(const std::string& text) {
  if (text.empty()) {
    value_ = default_;
    return;
  }
  const bool listed = std::any_of(options_.begin(), options_.end(),
                                  [&](const EnumOption& option) { return option.Name() == text; });
  if (!listed)
    RejectValue(
        StringPrintf("You entered '%s', please enter a value from the list instead.\n", text.c_str()));
  value_ = text;
}

void EnumerationParameter::Assign(const Persistent& other) {
  *this = dynamic_cast<const EnumerationParameter&>(other);
}

}  // namespace rb
