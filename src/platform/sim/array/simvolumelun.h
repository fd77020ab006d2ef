#pragma once

// The logical LUN of a simulated CISS volume, as the operating system's disk driver and a pass-through
// program see it: a direct-access unit whose blocks are the volume's (simraidvolume.h). It answers
// TEST UNIT READY, INQUIRY (the standard data the controller gives), READ CAPACITY(10)/(16),
// READ/WRITE/VERIFY(10)/(16) and SYNCHRONIZE CACHE(10)/(16). A block range beyond the volume is
// ILLEGAL REQUEST (LBA out of range), a transfer the volume cannot carry (a failed volume, or one
// that has lost more members than its redundancy) MEDIUM ERROR, any other command ILLEGAL REQUEST
// (invalid command operation code), as a disk answers them.

#include <cstdint>
#include <vector>

#include "platform/sim/array/simraidvolume.h"
#include "platform/sim/scsi/simscsicommand.h"

namespace os {

class SimVolumeLun {
 public:
  // `inquiry` is the standard INQUIRY data the controller gives for its volumes.
  SimVolumeLun(SimRaidVolume& volume, const std::vector<std::uint8_t>& inquiry)
      : volume_(volume), inquiry_(inquiry) {}

  void Execute(SimScsiCommand& command);

 private:
  void ReadCapacity(SimScsiCommand& command, bool sixteen);
  void Transfer(SimScsiCommand& command);

  SimRaidVolume& volume_;
  const std::vector<std::uint8_t>& inquiry_;
};

}  // namespace os
