#pragma once

#include <string>

#include "framework/test.h"

namespace rb {

// The base of the optical drives' tests: the drive's path, readiness, the tray and the kind of drive
// the prompts name. The tests reach the drive through its operating-system path (an ATAPI drive's
// "\\.\CDROM0", a SCSI or USB drive's "\\.\CdRom0").
class RemovableMediaTest : public Test {
 protected:
  RemovableMediaTest(std::string name, std::string caption, std::string description);
  RemovableMediaTest() = default;

  // The owner's operating-system path; raises "Device not found" for another owner.
  std::string DrivePath() const;
  // TEST UNIT READY through the optical drive function.
  bool UnitReady() const;
  // Opens and closes the tray (the removable-media requests of the drive path).
  bool EjectTray() const;
  bool LoadTray() const;
  // "CD-ROM", "DVD-ROM", "CD-RW", "DVD-RW" or "RW/DVD", from the drive's model or product name.
  std::string DriveKind() const;
};

}  // namespace rb
