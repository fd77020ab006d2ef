#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/test.h"
#include "framework/testfactory.h"

namespace rb {

// A test instance configured with a part or check code (its first code): the persistent form carries
// the caption and the code besides the name, and a test read back is made again from them.
class PartCodeTest : public Test {
 public:
  int PartCode() const { return code_; }
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;

 protected:
  PartCodeTest(const TestConfig& config, const std::string& description, int defaultCode);
  // A new instance of the same class for `config`.
  virtual std::unique_ptr<Test> Remake(const TestConfig& config) const = 0;

  int code_;
};

}  // namespace rb
