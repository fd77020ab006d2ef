#include "tests/removable/parametervalues.h"

#include "framework/booleanparameter.h"
#include "framework/enumerationparameter.h"
#include "framework/numericparameter.h"
#include "framework/parameterlist.h"
#include "framework/stringparameter.h"

namespace rb {

namespace {

template <class T>
T* Find(ParameterList& list, const char* name) {
  for (const auto& parameter : list.Parameters())
    if (parameter->Name() == name) return dynamic_cast<T*>(parameter.get());
  return nullptr;
}

}  // namespace

int IntegerValue(ParameterList& list, const char* name, int fallback) {
  const auto* parameter = Find<NumericParameter<int>>(list, name);
  return parameter != nullptr ? parameter->Value() : fallback;
}

bool BooleanValue(ParameterList& list, const char* name, bool fallback) {
  const auto* parameter = Find<BooleanParameter>(list, name);
  return parameter != nullptr ? parameter->Value() : fallback;
}

std::string TextValue(ParameterList& list, const char* name, const std::string& fallback) {
  if (const auto* text = Find<StringParameter>(list, name)) return text->Value();
  if (const auto* choice = Find<EnumerationParameter>(list, name)) return choice->Value();
  return fallback;
}

}  // namespace rb
