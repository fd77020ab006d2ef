#include "framework/test.h"

namespace rb {

Test::Test(std::string name, std::string caption, std::string description)
    : name_(std::move(name)), caption_(std::move(caption)), description_(std::move(description)) {}

}  // namespace rb
