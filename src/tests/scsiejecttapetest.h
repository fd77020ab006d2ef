#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// Ejects the tape of a tape drive. A drive without a ready tape asks the operator to insert one and is
// asked again, up to ten times one second apart; one that never becomes ready fails with "Media not
// present in drive". The test passes when the tape unloads.
class ScsiEjectTapeTest : public Test {
 public:
  static constexpr const char* kStreamableName = "ScsiEjectTapeTest";
  static constexpr int kReadinessChecks = 10;

  ScsiEjectTapeTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiEjectTapeTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
