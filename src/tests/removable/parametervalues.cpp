#include "tests/removable/parametervalues.h"

#include "framework/booleanparameter.h"
#include "framework/enumerationparameter.h"
#include "framework/numericparameter.h"
#include "framework/parameterlist.h"
#include "framework/stringparameter.h"

namespace rb {

int IntegerValue(ParameterList& list, const char* name, int fallback) {
  const auto* parameter = list.Find<NumericParameter<int>>(name);
  return parameter != nullptr ? parameter->Value() : fallback;
}

bool BooleanValue(ParameterList& list, const char* name, bool fallback) {
  const auto* parameter = list.Find<BooleanParameter>(name);
  return parameter != nullptr ? parameter->Value() : fallback;
}

std::string TextValue(ParameterList& list, const char* name, const std::string& fallback) {
  if (const auto* text = list.Find<StringParameter>(name)) return text->Value();
  if (const auto* choice = list.Find<EnumerationParameter>(name)) return choice->Value();
  return fallback;
}

}  // namespace rb
