#pragma once

// The questions the removable-media tests put to the operator, with the answers they take: a prompt of
// OK and Cancel, and one of Yes, No and Cancel. Cancel fails the run with kCanceled.

#include <string>
#include <vector>

namespace rb {

class Test;

inline constexpr const char* kCanceled = "Test canceled by the operator";

// Asks with `buttons` and answers the operator's choice.
std::string Ask(Test& test, const std::string& message, const std::vector<std::string>& buttons);
void AskOk(Test& test, const std::string& message);
// True for Yes, false for No.
bool AskYesNo(Test& test, const std::string& message);

}  // namespace rb
