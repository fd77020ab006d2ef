#pragma once

// The CSMI interface of a simulated SCSI port whose <port> has csmi="1": the miniport requests of
// codes 1, 2, 3, 10, 11, 20, 24 and 25, answered from the port's <phy id= sasAddress= protocol="ssp"|"sata"
// target=/> children (simcsmiphy.h) and its RAID sets (simcsmiraidsets.h). SSP pass-through reaches the
// port's unit at the phy's target (path 0, LUN 0); STP pass-through answers a SATA device's status
// FIS (and its IDENTIFY DEVICE data). A request with the wrong signature for its code answers CSMI
// return code 3 (invalid parameter), an unknown code 2.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/scsi/simcsmiphy.h"
#include "platform/sim/scsi/simcsmiraidsets.h"
#include "platform/sim/scsi/simscsicommand.h"
#include "platform/winapi.h"

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

class SimCsmiAdapter {
 public:
  using Phy = SimCsmiPhy;
  // Runs a SCSI command on the port's unit at (path 0, target, LUN 0); false when there is none.
  using Executor = std::function<bool(std::uint8_t target, SimScsiCommand& command)>;

  SimCsmiAdapter(const SimMachine& machine, const rb::XmlObject& port);

  // One IOCTL_SCSI_MINIPORT request, `buffer` both in and out.
  win::DWORD Request(void* buffer, win::DWORD length, const Executor& execute) const;

 private:
  void Ssp(std::uint8_t* buffer, win::DWORD length, const Executor& execute) const;
  void Stp(std::uint8_t* buffer, win::DWORD length) const;
  const Phy* FindPhy(const std::uint8_t* sasAddress) const;

  std::string driverName_;
  std::uint8_t bus_ = 0;
  std::uint8_t device_ = 0;
  std::uint16_t slot_ = 0xFFFF;
  std::vector<Phy> phys_;
  SimCsmiRaidSets raidSets_;
};

}  // namespace os
