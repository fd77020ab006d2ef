#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The operator checks the drive LEDs' colours: Green, Green and Amber from left to right.
class LEDColorTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "LEDColorTest";

  explicit LEDColorTest(const TestConfig& config);
  LEDColorTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<LEDColorTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
