#include "framework/stringparameter.h"

namespace rb {

void StringParameter::Assign(const Persistent& other) {
  *this = dynamic_cast<const StringParameter&>(other);
}

}  // namespace rb
