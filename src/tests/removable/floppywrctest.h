#pragma once

#include <memory>
#include <string>

#include "tests/removable/floppytest.h"

namespace rb {

// Writes a byte pattern ("Pattern", two hexadecimal digits) over every sector of a range of tracks
// ("StartTrack" to "EndTrack", a track being one head of one cylinder), reads each track back and
// compares; a difference fails with "Did not match data pattern". Destroys what the tracks held.
class FloppyWRCTest : public FloppyTest {
 public:
  static constexpr const char* kStreamableName = "FloppyWRCTest";

  FloppyWRCTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FloppyWRCTest>(); }
  bool Execute(const XmlObject& command) override;
  bool LocksDevice() const override { return true; }
};

}  // namespace rb
