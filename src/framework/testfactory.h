#pragma once

#include <memory>
#include <string_view>

namespace rb {

class Test;

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

// Registers every test class of the component (defined beside the component). Called once.
void RegisterComponentTests();

}  // namespace rb
