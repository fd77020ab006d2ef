#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The operator confirms that the enclosure's system health LED is on.
class SESHealthLEDTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "SESHealthLEDTest";

  SESHealthLEDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESHealthLEDTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
