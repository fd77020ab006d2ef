#pragma once

#include <string>
#include <vector>

#include "platform/winapi.h"

namespace rb {

// Keeps a disk taken for the length of one write, so that nothing is written under a mounted file
// system or another program's use of the disk: the system is asked first (a volume lock on Windows,
// an exclusive open on Linux) and the write is refused when it says no. Holds of one disk nest within
// the process: a test that keeps the disk for its whole run does not refuse its device's own writes,
// which the system would (a second lock or exclusive open of a disk fails while the first is open).
class DiskWriteHold {
 public:
  static constexpr const char* kRefusedText =
      "Write refused: the disk holds a mounted file system or is in use";

  // Takes the disk at `devicePath`, or at `address` when the path is a SCSI port's ("\\.\SCSI2:").
  // Raises an OruError with kRefusedText, the disk and the system's reason when it cannot be taken.
  DiskWriteHold(const std::string& devicePath, const win::ScsiAddress& address);
  ~DiskWriteHold();
  DiskWriteHold(const DiskWriteHold&) = delete;
  DiskWriteHold& operator=(const DiskWriteHold&) = delete;

 private:
  // The disk as the process knows it: its path, with the address when the path is a port's.
  std::string disk_;
};

}  // namespace rb
