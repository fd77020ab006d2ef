#include "framework/parameter.h"

#include "framework/ptstream.h"

namespace rb {

void Parameter::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(name_);
}

void Parameter::Assign(const Persistent& other) {
  Parameter::operator=(dynamic_cast<const Parameter&>(other));
}

void EnumOption::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(name_);
}

void EnumOption::Assign(const Persistent& other) {
  *this = dynamic_cast<const EnumOption&>(other);
}

}  // namespace rb
