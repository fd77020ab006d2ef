#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// An ATA disk's extended off-line self-test through its SMART requests, polled until it ends.
// It holds the run for the self-test's whole duration and leaves the drive idle however it ends.
class SelfTest : public Test {
 public:
  static constexpr const char* kStreamableName = "SelfTest";

  SelfTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SelfTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
