#pragma once

#include <memory>

#include "tests/enclosure/moduleledtest.h"

namespace rb {

// The fan modules' amber LEDs, blinked one at a time or together.
class SESFanLEDTest : public ModuleLedTest {
 public:
  static constexpr const char* kStreamableName = "SESFanLEDTest";

  SESFanLEDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESFanLEDTest>(); }
};

}  // namespace rb
