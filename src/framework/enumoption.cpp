#include "framework/enumoption.h"

#include "framework/ptstream.h"

namespace rb {

XmlObject EnumOption::Describe() const {
  XmlObject element;
  element.SetName("TextItem");
  element.SetAttribute("name", name_);
  element.SetAttribute("caption", caption_);
  element.SetAttribute("description", description_);
  return element;
}

void EnumOption::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(name_);
}

void EnumOption::Assign(const Persistent& other) {
  *this = dynamic_cast<const EnumOption&>(other);
}

}  // namespace rb
