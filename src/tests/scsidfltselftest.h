#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// The SCSI disk's default self-test (SEND DIAGNOSTIC with the self-test bit), which the drive runs before
// it answers. Only a hardware error fails it: a drive that does not know the command is no failing drive.
class ScsiDfltSelfTest : public Test {
 public:
  static constexpr const char* kStreamableName = "ScsiDfltSelfTest";

  ScsiDfltSelfTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiDfltSelfTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
