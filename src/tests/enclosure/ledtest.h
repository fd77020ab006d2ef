#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The operator confirms that the LEDs of the disks behind the backplane light; nothing is set, the
// drives' own activity lights them.
class LEDTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "LEDTest";

  LEDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<LEDTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
