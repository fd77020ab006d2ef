#include "framework/interface.h"

#include "framework/ptstream.h"

namespace rb {

const char* Interface::RoleName() const {
  switch (role_) {
    case kParent:
      return "parent";
    case kChild:
      return "child";
    case kSibling:
      return "sibling";
    default:
      return "";
  }
}

void Interface::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(name_);
  stream.Transfer(caption_);
  stream.Transfer(description_);
  stream.Transfer(role_);
}

void Interface::Assign(const Persistent& other) {
  *this = dynamic_cast<const Interface&>(other);
}

}  // namespace rb
