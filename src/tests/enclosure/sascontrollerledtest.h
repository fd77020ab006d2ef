#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The controller's resident LED diagnostic blinks the bracket LEDs; its result must be clean and the
// operator must have seen both LEDs blink.
class SASControllerLEDTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "SASControllerLEDTest";

  SASControllerLEDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SASControllerLEDTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
