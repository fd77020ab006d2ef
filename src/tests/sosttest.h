#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// A SCSI disk's short self-test, run in the background and polled until it ends.
// It holds the run for the self-test's whole duration and leaves the drive idle however it ends.
class SOSTTest : public Test {
 public:
  static constexpr const char* kStreamableName = "SOSTTest";

  SOSTTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SOSTTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
