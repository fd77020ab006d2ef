#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// A battery's load current, read from its gauge at an I2C address (C1h, C3h or C5h, the instance's
// code): a gauge reporting a fault (status bit 5) fails whatever the current; otherwise the current
// passes up to 4Fh. Without a controller it fails with "Device not found".
class LoadCurrentTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "LoadCurrentTest";
  static constexpr int kFirstGauge = 0xC1;

  explicit LoadCurrentTest(const TestConfig& config);
  LoadCurrentTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<LoadCurrentTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
