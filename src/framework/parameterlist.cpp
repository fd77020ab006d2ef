#include "framework/parameterlist.h"

#include "framework/ptstream.h"

namespace rb {

void ParameterList::Add(std::unique_ptr<Parameter> parameter) {
  if (parameter) parameters_.push_back(std::move(parameter));
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
