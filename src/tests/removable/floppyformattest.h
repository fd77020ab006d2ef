#pragma once

#include <memory>
#include <string>

#include "tests/removable/floppytest.h"

namespace rb {

// Formats a range of the diskette's cylinders ("StartTrack" to "EndTrack", every "Track Stepping"th,
// both heads) and writes a boot sector when cylinder 0 was formatted; with "Complete" it then reads
// back the sectors "StartSector" to "EndSector" (every "Sector Stepping"th) of each formatted
// track. A failure gives "Format command failed". Destroys the diskette's contents.
class FloppyFormatTest : public FloppyTest {
 public:
  static constexpr const char* kStreamableName = "FloppyFormatTest";

  FloppyFormatTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FloppyFormatTest>(); }
  bool Execute(const XmlObject& command) override;
  bool LocksDevice() const override { return true; }
};

}  // namespace rb
