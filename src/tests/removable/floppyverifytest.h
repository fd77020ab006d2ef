#pragma once

#include <memory>
#include <string>

#include "tests/removable/floppytest.h"

namespace rb {

// Verifies a range of the diskette's blocks ("Starting Block", "Block Count"), one track's worth per
// request; a block that does not verify fails with "Floppy Verify Test Error".
class FloppyVerifyTest : public FloppyTest {
 public:
  static constexpr const char* kStreamableName = "FloppyVerifyTest";

  FloppyVerifyTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FloppyVerifyTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
