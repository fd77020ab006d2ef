#pragma once

#include <memory>
#include <string>

#include "tests/nvram/partcodetest.h"

namespace rb {

// Programs an NVRAM part (the instance's first code; the midplane's part 4 by default) with the
// component's "flashpart" resource for it: the flash file ".\flashpart_<code>.txt" beside the component
// (the text format of controllers/nvramlayout.h), after the operator confirms, and checks by reading it
// back that the part holds the resource.
class WriteNvramResourceTest : public PartCodeTest {
 public:
  static constexpr const char* kStreamableName = "WriteNvramResourceTest";
  static constexpr int kMidplanePart = 4;

  explicit WriteNvramResourceTest(const TestConfig& config);
  // The state a reader starts from.
  WriteNvramResourceTest();

  static std::unique_ptr<Test> Make(const TestConfig& config) {
    return std::make_unique<WriteNvramResourceTest>(config);
  }
  // The resource's file for a part.
  static std::string ResourceFile(int code);

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<WriteNvramResourceTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

 protected:
  std::unique_ptr<Test> Remake(const TestConfig& config) const override {
    return std::make_unique<WriteNvramResourceTest>(config);
  }
};

}  // namespace rb
