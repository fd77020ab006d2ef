#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// Counts a SCSI disk's grown defects (its grown defect list) against the number the parameter
// GrownDefects allows (0 stands for the usual allowance of 3).
class GrownDefectsTest : public Test {
 public:
  static constexpr const char* kStreamableName = "GrownDefectsTest";
  static constexpr const char* kAllowedParameter = "GrownDefects";
  static constexpr int kDefaultAllowed = 3;

  GrownDefectsTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<GrownDefectsTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
