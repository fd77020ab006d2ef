#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/stringutil.h"

namespace os {

// One row of a management-instrumentation query: the instance's properties as text, by name. Names
// compare without regard to case, as WMI's do. A property that is null is absent.
struct WmiRow {
  std::vector<std::pair<std::string, std::string>> properties;

  const std::string* Find(std::string_view name) const {
    for (const auto& [key, value] : properties)
      if (rb::EqualsNoCase(key, name)) return &value;
    return nullptr;
  }
  // The property's text, or `otherwise` when it is absent.
  std::string Get(std::string_view name, std::string otherwise = {}) const {
    const std::string* value = Find(name);
    return value != nullptr ? *value : std::move(otherwise);
  }
  void Set(std::string name, std::string value) { properties.emplace_back(std::move(name), std::move(value)); }
};

}  // namespace os
