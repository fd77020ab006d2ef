#pragma once

#include <memory>
#include <string>

#include "tests/removable/floppytest.h"

namespace rb {

// Resets the diskette drive; a refused reset fails with "Device could not be reset".
class FloppyResetTest : public FloppyTest {
 public:
  static constexpr const char* kStreamableName = "FloppyResetTest";

  FloppyResetTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FloppyResetTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
