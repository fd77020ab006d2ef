#pragma once

#include <memory>
#include <string>

#include "tests/removable/floppytest.h"

namespace rb {

// The write-protect detection of the diskette drive: the operator sets the diskette's tab as the
// variant asks (not write-protected for the write-enable test, write-protected for the write-protect
// test) and the drive must report the diskette as writable or not accordingly.
class FloppyUWPTest : public FloppyTest {
 public:
  static constexpr const char* kStreamableName = "FloppyUWPTest";

  explicit FloppyUWPTest(bool writeProtect = false);

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override {
    return std::make_unique<FloppyUWPTest>(writeProtect_);
  }
  bool Execute(const XmlObject& command) override;

 private:
  bool writeProtect_;
};

}  // namespace rb
