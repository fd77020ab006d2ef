#pragma once

// The comparison both phy speed map tests make: the map read against the map the parameter expects,
// as hex digits without regard to case.

#include <string>

namespace rb {

class Test;

inline constexpr const char* kNoPhyMap = "0000000000000000";

// True when they match; otherwise records `mismatch` with "Expected = %s, Actual = %s" and answers false.
bool CheckPhyMap(Test& test, const std::string& actual, const char* parameter, const char* mismatch);

}  // namespace rb
