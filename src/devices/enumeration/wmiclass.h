#pragma once

#include <string>
#include <vector>

#include "platform/wmirow.h"

namespace rb {

// One query of the management instrumentation in "\\.\root\cimv2", as rows of named texts.
class WmiClass {
 public:
  static constexpr const char* kNamespace = "\\\\.\\root\\cimv2";

  // The rows of the query; none when the service cannot be reached or rejects it.
  static std::vector<os::WmiRow> Query(const std::string& query);
  // A value written into a WQL string literal: backslashes and double quotes escaped, as a device
  // identifier such as "\\.\PHYSICALDRIVE1" must be.
  static std::string Escape(const std::string& value);
};

}  // namespace rb
