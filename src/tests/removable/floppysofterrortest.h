#pragma once

#include <memory>
#include <string>

#include "tests/removable/floppytest.h"

namespace rb {

// Reads the diskette's tracks alternately from both ends inward (0, last, 1, last-1, ...) over the
// covered percentage. A read that fails and then succeeds is a soft error; more than "Soft Error
// Count" of them, or a read that fails twice, fails the test with "Floppy disk read failed" (the
// latter after "Floppy Read Error: Track %d Head %d Sector %d"). The run stops, passed, when the
// estimated time in seconds is over.
class FloppySoftErrorTest : public FloppyTest {
 public:
  static constexpr const char* kStreamableName = "FloppySoftErrorTest";

  FloppySoftErrorTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FloppySoftErrorTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
