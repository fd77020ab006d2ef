#include "framework/parameterlist.h"

#include "framework/ptstream.h"

namespace rb {

void ParameterList::Add(std::unique_ptr<Parameter> parameter) {
  if (parameter) parameters_.push_back(std::move(parameter));
}

XmlObject ParameterList::Describe() const {
  XmlObject element;
  for (const auto& parameter : parameters_) element.AddChild(parameter->Describe());
  return element;
}

void ParameterList::SetValues(const XmlObject& command) {
  for (const auto& parameter : parameters_) parameter->SetValue(command.GetAttribute(parameter->Name(), ""));
}

void ParameterList::Stream(ptstream& stream, bool, std::int32_t) {
  stream.TransferOwnedList(parameters_);
}

void ParameterList::Assign(const Persistent& other) {
  const auto& from = dynamic_cast<const ParameterList&>(other);
  if (&from == this) return;
  parameters_ = CloneAll(from.parameters_);
}

}  // namespace rb
