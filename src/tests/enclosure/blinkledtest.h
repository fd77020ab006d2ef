#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The drives' LEDs blink one after another, left to right or right to left, and the operator says
// which way they went (or that they did not blink); a wrong answer fails.
class BlinkLEDTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "BlinkLEDTest";

  BlinkLEDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<BlinkLEDTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

 protected:
  // True to blink from left to right; chosen at random so that the operator cannot guess.
  virtual bool LeftToRight();
};

}  // namespace rb
