#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// A SCSI disk's extended self-test, run in the background and polled until it ends.
// It holds the run for the self-test's whole duration and leaves the drive idle however it ends.
class EOSTTest : public Test {
 public:
  static constexpr const char* kStreamableName = "EOSTTest";

  EOSTTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<EOSTTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
