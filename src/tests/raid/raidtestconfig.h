#pragma once

// Helpers of the controller tests. The persistent form of a controller test instance made from its entry of
// the controller's list: its caption and codes follow the test's name, so that a test read back is made again
// from them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/parameterlist.h"
#include "framework/ptstream.h"
#include "framework/test.h"
#include "framework/testfactory.h"

namespace rb {

inline TestConfig TransferTestConfig(ptstream& stream, const Test& test, const std::vector<int>& codes) {
  TestConfig config{test.Name(), test.Caption(), codes};
  stream.Transfer(config.caption);
  // The count is checked against what the stream still holds: a damaged file cannot ask for more.
  config.codes.resize(stream.TransferCount(config.codes.size(), sizeof(std::int32_t)));
  for (int& code : config.codes) {
    auto value = static_cast<std::int32_t>(code);
    stream.Transfer(value);
    code = value;
  }
  return config;
}

// The parameter of that name as a T, or null.
template <class T>
T* FindParameter(const ParameterList& list, std::string_view name) {
  for (const auto& parameter : list.Parameters())
    if (parameter->Name() == name) return dynamic_cast<T*>(parameter.get());
  return nullptr;
}

// The code at `index`, or `fallback` when the entry has fewer.
inline int ConfigCode(const TestConfig& config, std::size_t index, int fallback = 0) {
  return index < config.codes.size() ? config.codes[index] : fallback;
}

}  // namespace rb
