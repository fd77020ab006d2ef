#include "framework/test.h"

#include "framework/ptstream.h"

namespace rb {

Test::Test(std::string name, std::string caption, std::string description)
    : name_(std::move(name)), caption_(std::move(caption)), description_(std::move(description)) {}

void Test::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(name_);
}

void Test::Assign(const Persistent& other) {
  const auto& from = dynamic_cast<const Test&>(other);
  name_ = from.name_;
  caption_ = from.caption_;
  description_ = from.description_;
  loop_ = from.loop_;
  recordNum_ = from.recordNum_;
}

}  // namespace rb
