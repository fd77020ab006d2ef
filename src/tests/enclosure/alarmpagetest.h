#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// Reads the backplane processor's alarm page (buffer 82h, 4 bytes, one bit per condition in byte 2:
// 01h over temperature, 02h fan failure, 04h side panel open, 08h redundant power supply missing or
// faulty) and fails on the first condition set; every condition set is listed in the output.
class AlarmPageTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "AlarmPageTest";

  AlarmPageTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<AlarmPageTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
