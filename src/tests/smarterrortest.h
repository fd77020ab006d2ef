#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// A SCSI disk's failure prediction, from its informational exceptions log page.
class SmartErrorTest : public Test {
 public:
  static constexpr const char* kStreamableName = "SmartErrorTest";

  SmartErrorTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SmartErrorTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
