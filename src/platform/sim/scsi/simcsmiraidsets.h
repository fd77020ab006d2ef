#pragma once

// The RAID sets of a simulated CSMI adapter: <raidSet level= capacityMB= members= [status=]
// [stripeKB=] [typeCode=] [refused="1"]/> children of its <port>, indexed 0, 1, ... in their order. `level`
// is none, 0, 1, 10, 5, 15, 6, 50, volume, 1e or other (the CSMI RAID type), `typeCode` a raw type byte in
// its place (a type the adapter's driver reports that no name covers), `members` the ids of the
// phys whose devices make up the set, `status` ok, degraded, rebuilding, failed or offline; a
// refused set's configuration request fails (CSMI return code 1).
// <port csmiRaid="0"> makes an adapter without the RAID requests (bad control code); <port
// csmiMaxDrives="n"> one that reports at most n drives per set, fewer than its sets may have, as some
// drivers do (a caller trusting it gets the "too big" drive count and must ask again).

#include <cstdint>
#include <vector>

#include "platform/sim/scsi/simcsmiphy.h"
#include "platform/winapi.h"

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

class SimCsmiRaidSets {
 public:
  SimCsmiRaidSets(const SimMachine& machine, const rb::XmlObject& port, const std::vector<SimCsmiPhy>& phys);

  bool Answers() const { return answers_; }
  // Get RAID info: the set count and the adapter's limits.
  win::CsmiSasRaidInfo Info() const;
  // Get RAID config into `body` (the request after its header, `room` bytes, the set index in its
  // first word); answers the CSMI return code.
  win::DWORD Config(std::uint8_t* body, std::size_t room) const;

 private:
  struct RaidSet {
    std::uint8_t type = 0;
    std::uint8_t status = 0;
    std::uint32_t capacityMB = 0;
    std::uint32_t stripeKB = 0;
    bool refused = false;
    std::vector<SimCsmiPhy> members;
  };

  bool answers_ = true;
  std::uint32_t phyCount_ = 0;
  // What get-RAID-info reports as the most drives a set can have.
  std::uint32_t reportedMaxDrives_ = 1;
  std::vector<RaidSet> sets_;
};

}  // namespace os
