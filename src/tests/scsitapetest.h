#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// The destructive media test of a tape drive. Nothing is written before the operator confirms the
// prompt that says the tape will be erased; any other answer ends the run, canceled, with the tape
// untouched. Then a working copy of the drive rewinds the tape ("Unable to Rewind Tape"), runs its
// media test ("Media Test Failed", with what failed: a write-protected medium, no medium, a block
// that reads back differently), rewinds again and closes the tape.
class ScsiTapeTest : public Test {
 public:
  static constexpr const char* kStreamableName = "ScsiTapeTest";

  ScsiTapeTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiTapeTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
