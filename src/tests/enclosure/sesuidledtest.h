#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The UID LEDs are turned on and the operator confirms them, then presses the UID button, which must
// turn them off. They are turned off at the end whatever the answers.
class SESUIDLEDTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "SESUIDLEDTest";

  SESUIDLEDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESUIDLEDTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
