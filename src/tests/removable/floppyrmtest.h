#pragma once

#include <memory>
#include <string>

#include "tests/removable/floppytest.h"

namespace rb {

// Whether the drive notices a diskette taken out: the operator removes it, a drive that still reports
// it fails with "Disk change not detected", and the operator puts it back.
class FloppyRMTest : public FloppyTest {
 public:
  static constexpr const char* kStreamableName = "FloppyRMTest";

  FloppyRMTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FloppyRMTest>(); }
  bool Execute(const XmlObject& command) override;
  bool LocksDevice() const override { return true; }
};

}  // namespace rb
