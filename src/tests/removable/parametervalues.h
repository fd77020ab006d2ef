#pragma once

// The values of a test's own parameters by name, or a fallback when the list has none of that name.

#include <string>

namespace rb {

class ParameterList;

int IntegerValue(ParameterList& list, const char* name, int fallback);
bool BooleanValue(ParameterList& list, const char* name, bool fallback);
std::string TextValue(ParameterList& list, const char* name, const std::string& fallback);

}  // namespace rb
