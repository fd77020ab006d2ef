#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// The insert test of a tape drive: it has only the common retries parameter and passes without
// touching the drive.
class ScsiInsertTapeTest : public Test {
 public:
  static constexpr const char* kStreamableName = "ScsiInsertTapeTest";

  ScsiInsertTapeTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiInsertTapeTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
