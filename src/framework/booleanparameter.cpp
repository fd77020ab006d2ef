#include "framework/booleanparameter.h"

#include "support/stringutil.h"

namespace rb {

void BooleanParameter::SetValue(const std::string& text) {
  if (text.empty()) {
    value_ = default_;
  } else if (text == "0" || text == "1") {
    value_ = text == "1";
  } else {
    RejectValue(StringPrintf("You entered %s, please enter either true(1) or false(0).\n", text.c_str()));
  }
}

void BooleanParameter::Assign(const Persistent& other) {
  *this = dynamic_cast<const BooleanParameter&>(other);
}

}  // namespace rb
