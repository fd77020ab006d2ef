#include "tests/nvram/partcodetest.h"

#include "framework/ptstream.h"

namespace rb {

PartCodeTest::PartCodeTest(const TestConfig& config, const std::string& description, int defaultCode)
    : Test(config.name, config.caption, description), code_(ConfigCode(config, 0, defaultCode)) {}

void PartCodeTest::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Test::Stream(stream, writing, version);
  std::string caption = Caption();
  std::int32_t code = code_;
  stream.Transfer(caption);
  stream.Transfer(code);
  if (!writing) Test::Assign(*Remake(TestConfig{Name(), caption, {code}}));
  code_ = code;
}

void PartCodeTest::Assign(const Persistent& other) {
  Test::Assign(other);
  code_ = dynamic_cast<const PartCodeTest&>(other).code_;
}

}  // namespace rb
