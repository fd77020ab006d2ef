#pragma once

#include <memory>
#include <string>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The enclosure's bay LEDs are set to the patterns of the instance's four settings (sesledsettings.h)
// and the operator says what they show; any other answer than the expected one fails. The LEDs are set
// back to normal at the end, whatever the outcome. Writes to the enclosure happen only once the
// operator has started the test.
class SESLEDTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "SESLEDTest";

  explicit SESLEDTest(const TestConfig& config,
                      std::string description = "Checks backplane LED Activity indicator.");
  SESLEDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESLEDTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
