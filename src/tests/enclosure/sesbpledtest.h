#pragma once

#include <memory>

#include "tests/enclosure/sesledtest.h"

namespace rb {

// The backplane's tri-colour LED test: the SES LED test with the tri-colour LED's settings.
class SESBPLEDTest : public SESLEDTest {
 public:
  static constexpr const char* kStreamableName = "SESBPLEDTest";

  explicit SESBPLEDTest(const TestConfig& config);
  SESBPLEDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESBPLEDTest>(); }
};

}  // namespace rb
