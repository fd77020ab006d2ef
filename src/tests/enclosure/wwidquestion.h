#pragma once

// The operator's entry of an expected WWID, shared by the controller's and the expanders' WWID tests.

#include <string>

namespace rb {

class Test;

// Asks "Please enter expected WWID" for a text entry and answers it as typed.
std::string AskExpectedWwid(Test& test);

}  // namespace rb
