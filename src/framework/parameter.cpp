#include "framework/parameter.h"

#include "framework/ptstream.h"
#include "support/oruerror.h"

namespace rb {

void Parameter::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(name_);
}

void Parameter::Assign(const Persistent& other) {
  Parameter::operator=(dynamic_cast<const Parameter&>(other));
}

XmlObject Parameter::Describe() const {
  XmlObject element;
  element.SetName("parameter");
  element.SetAttribute("name", name_);
  element.SetAttribute("caption", caption_);
  element.SetAttribute("description", description_);
  element.SetAttribute("type", TypeName());
  element.SetAttribute("defaultValue", DefaultText());
  return element;
}

void Parameter::SetInfo(std::string name, std::string caption, std::string description) {
  name_ = std::move(name);
  caption_ = std::move(caption);
  description_ = std::move(description);
}

void Parameter::RejectValue(const std::string& detail) {
  throw FrontendError("Parameter outside acceptable range", detail);
}

}  // namespace rb
