#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rb {

class Test;
class ptstream;

// The test classes a device may offer, by class name: a device family lists the names of the tests it
// offers, and each test class registers how it is made when it is part of the component, so a family's
// list names tests that are built later without knowing them. Like the class registry of the persistent
// streams it allocates nothing.
using TestMaker = std::unique_ptr<Test> (*)();

// Registers a maker under a name of static storage duration; false (keeping the first) when the name
// is registered already.
bool RegisterTestMaker(const char* name, TestMaker maker);
// A new test of the named class, or null when no such class is part of the component. The component's
// own test classes are registered on first use.
std::unique_ptr<Test> MakeTest(std::string_view name);

// One configured instance of a test class that a device offers several times under names of its own
// (a controller's resident diagnostics by group and code, its NVRAM tests by part): the instance's
// internal name, caption and the codes it is made with.
struct TestConfig {
  std::string name;
  std::string caption;
  std::vector<int> codes;
};
using ConfiguredTestMaker = std::unique_ptr<Test> (*)(const TestConfig& config);

// The code at `index`, or `fallback` when the configuration has fewer.
inline int ConfigCode(const TestConfig& config, std::size_t index, int fallback = 0) {
  return index < config.codes.size() ? config.codes[index] : fallback;
}
// The persistent form of a configured instance after its name: its caption and `codes`, so that a test
// read back is made again from them. Writing answers `test`'s configuration; reading, the one read.
TestConfig TransferTestConfig(ptstream& stream, const Test& test, const std::vector<int>& codes);

// Registers how a configured instance of the named class is made; false when one is registered already.
bool RegisterConfiguredTestMaker(const char* name, ConfiguredTestMaker maker);
// A configured instance of `testClass`: made by its configured maker, or, for a class without one, the
// plain test when the instance carries the class's own name. Null when the class is not part of the
// component or cannot take the configuration.
std::unique_ptr<Test> MakeConfiguredTest(std::string_view testClass, const TestConfig& config);

// Registers every test class of the component (defined beside the component). Called once.
void RegisterComponentTests();

}  // namespace rb
