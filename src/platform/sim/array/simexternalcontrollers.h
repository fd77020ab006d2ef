#pragma once

// The external array controllers behind a simulated CISS controller: <external bus="b" target="t"
// [model="..."] [board=...] ...> children of the <port>, each a controller of its own (every attribute
// and child of a CISS <port>, simarraycontroller.h) reached at a physical LUN of the controller in front.
// Its LUN answers as a storage array controller (INQUIRY device type 0Ch) with the controller commands
// (report LUNs, BMIC over CISS); its <drive>s have addresses of the front controller's physical LUN
// space and follow its LUN in the front controller's physical LUN report. A model containing
// "SATA BULK" makes it a SATA-attached controller: its drives answer the ATA IDENTIFY CDB (C6h 01h
// ECh ...) with the identify data of their ATA identity (model="..." on the <drive>), or CHECK
// CONDITION when they have none.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/sim/scsi/simscsicommand.h"
#include "platform/sim/simclock.h"

namespace rb {
class XmlObject;
}

namespace os {

class SimArrayController;
class SimArrayDisk;
class SimMachine;

class SimExternalControllers {
 public:
  SimExternalControllers();
  ~SimExternalControllers();
  SimExternalControllers(SimExternalControllers&&) noexcept;

  void Add(const SimMachine& machine, const rb::XmlObject& element, const std::shared_ptr<SimClock>& clock);
  // The external controller whose own LUN is at (bus, target); null when none is.
  SimArrayController* At(std::uint8_t bus, std::uint8_t target) const;
  // A CDB to a drive behind an external controller; false when no such drive is there.
  bool Execute(std::uint8_t bus, std::uint8_t target, SimScsiCommand& command) const;
  // Each external controller's address followed by its drives', in the order of the description.
  void AppendAddresses(std::vector<std::pair<std::uint8_t, std::uint8_t>>& addresses) const;

 private:
  struct External {
    std::uint8_t bus;
    std::uint8_t target;
    bool sata;
    std::unique_ptr<SimArrayController> controller;
  };
  std::vector<External> externals_;
};

}  // namespace os
