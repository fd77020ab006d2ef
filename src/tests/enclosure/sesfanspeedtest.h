#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// Every installed fan of the enclosures must report OK and be turning: a fan that reports a failure, a
// status other than OK or no speed fails.
class SESFanSpeedTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "SESFanSpeedTest";

  SESFanSpeedTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESFanSpeedTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
