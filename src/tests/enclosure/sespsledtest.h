#pragma once

#include <memory>

#include "tests/enclosure/moduleledtest.h"

namespace rb {

// The power supply modules' amber LEDs, blinked one at a time or together.
class SESPSLEDTest : public ModuleLedTest {
 public:
  static constexpr const char* kStreamableName = "SESPSLEDTest";

  SESPSLEDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESPSLEDTest>(); }
};

}  // namespace rb
