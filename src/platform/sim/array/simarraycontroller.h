#pragma once

// A simulated array controller on a SCSI port: <port number="n" array="bmic|ciss" ...> (simscsiport.h).
// The port's IOCTL_SCSI_MINIPORT then answers the controller queries, the BMIC and SCSI-through-BMIC
// requests (array="bmic") or the CISS requests (array="ciss"); simarrayminiport.h frames them, this
// class is the controller behind them. Every reply follows src/controllers/arraylayouts.h.
//
// <port> attributes of the controller (all optional):
//   board="0x..."            board identifier (src/controllers/arrayboards.h); a legacy board by default
//   model="..."              product name; the board's model by default. With "KSR1000" in it the
//                            controller is a storage array: it numbers its drives its own way and
//                            tells their place and error counts (simdrivehistory.h)
//   firmware="2.36"          firmware revision (4 characters)      serial="..."  serial number
//   slot="s"                 PCI slot of subsystem information (0 to 127; 16 and above mean none)
//   totalMemory="m" installedMemory="m"   megabytes (0 to 255)    cache="m"  usable cache, megabytes (at most
//   63 on a BMIC controller, which counts kilobytes) targetsPerBus="16"       presenceMaps="0"  (identify
//   controller without the drive-presence maps) lunAddressing="0|3"      the addressing mode of the CISS
//   physical LUNs (0 by default) rebuildRate="n"          member blocks rebuilt per simulated second after a
//   reset (65536)
// Children:
//   <drive> physical drives (simarraydisk.h)        <volume> logical volumes (simraidvolume.h)
//   <battery status="ok|charging|failed|missing"/>   up to four; a failed one is a battery fault
//   <backplane bus= target= vendor= product= revision=/>   answers bus-and-target queries, and on a CISS
//                            controller is a processor-type physical LUN; its processor buffers in
//                            simbackplaneprocessor.h
//   <nvram address="0xA1" .../>   an NVRAM part at an I2C address (its contents: simnvramimage.h), read
//                            and written with BMIC 42h sub-function D4h over CISS
//   <sesEnclosure ...>        an SES enclosure the controller manages (simsesenclosure.h)
//   <external bus= target= ...>   an external controller behind a CISS controller (simexternalcontrollers.h)
//   <vendorInfo .../>        what the controller tells of itself through vendor sub-functions
//                            (simcontrollerinfo.h)
//   <signals>                the battery gauges on the I2C bus (simcontrollersignals.h)
//   <diagnostic group= code= result= .../>   a resident diagnostic's answer (simresidentdiagnostics.h)
//   <cissFault status="s" [opcode="0x.."] [field="f" size="z"]/>   CISS commands with that CDB
//                            opcode (every command when absent) complete with command status s; an
//                            invalid-command status reports the offending field f of z bytes
// A controller reset (BMIC 40h, then 13h) first fails the drives declared failsAtReset="1", then
// replaces every failed drive whose volumes all survive without it; the volumes then rebuild onto it as
// simulated time passes. Between 40h and 13h a degraded volume's status is READY FOR RECOVERY (4), while
// it rebuilds RECOVERY IN PROGRESS (5). A write that reaches a volume's member past the controller (a
// pass-through CDB) takes that drive out of service: its blocks no longer match the volume. Background
// activity is on until BMIC 98h pauses it and 99h resumes it. BMIC 56h configures a volume
// (simvolumecreation.h).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/pcifunction.h"
#include "platform/sim/array/simarraydisk.h"
#include "platform/sim/array/simcontrollerinfo.h"
#include "platform/sim/array/simcontrollersignals.h"
#include "platform/sim/array/simexternalcontrollers.h"
#include "platform/sim/array/simraidvolume.h"
#include "platform/sim/array/simsesenclosure.h"
#include "platform/sim/array/simresidentdiagnostics.h"

namespace os {

class SimArrayController {
 public:
  struct Backplane {
    std::uint8_t bus;
    std::uint8_t target;
    std::unique_ptr<SimScsiUnit> unit;
  };
  struct CissFault {
    std::uint16_t status;
    std::optional<std::uint8_t> opcode;
    std::uint8_t field;
    std::uint8_t size;
  };

  SimArrayController(const SimMachine& machine, const rb::XmlObject& port, std::shared_ptr<SimClock> clock,
                     const std::optional<PciFunction>& pci);

  bool Ciss() const { return ciss_; }
  // Controller class of the configuration query: 4 CISS, 1 BMIC.
  std::uint8_t Class() const;
  const std::optional<PciFunction>& Pci() const { return pci_; }
  const std::string& Model() const { return model_; }
  const std::string& Firmware() const { return firmware_; }
  std::uint8_t LunAddressing() const { return lunAddressing_; }
  std::vector<std::unique_ptr<SimArrayDisk>>& Disks() { return disks_; }
  std::vector<Backplane>& Backplanes() { return backplanes_; }
  std::vector<std::unique_ptr<SimRaidVolume>>& Volumes() { return volumes_; }
  const std::vector<CissFault>& CissFaults() const { return cissFaults_; }
  std::vector<std::unique_ptr<SimSesEnclosure>>& Enclosures() { return enclosures_; }
  // The <vendorInfo> child (simcontrollerinfo.h); empty when the port has none.
  const std::optional<SimControllerInfo>& VendorInfo() const { return vendorInfo_; }
  // The <external> controllers behind it (simexternalcontrollers.h).
  const SimExternalControllers& Externals() const { return externals_; }
  SimResidentDiagnostics& Diagnostics() { return diagnostics_; }
  bool BackgroundActive() const { return backgroundActive_; }

  // One BMIC command; `count` is the block count of reads and writes. Returns the BMIC status.
  std::uint8_t Bmic(std::uint8_t command, std::uint8_t unit, std::uint32_t parameter, std::uint16_t count,
                    std::uint8_t* data, std::size_t length);
  // A CDB to the physical device at (bus, target, LUN 0): false when there is none.
  bool Execute(std::uint8_t bus, std::uint8_t target, SimScsiCommand& command);
  // The NVRAM part at an I2C address; null when there is none.
  std::vector<std::uint8_t>* Nvram(std::uint8_t address);
  // Carries rebuilds forward to the simulated time.
  void Advance();

 private:
  std::vector<std::uint8_t> IdentifyController() const;
  std::vector<std::uint8_t> IdentifyLogical(const SimRaidVolume& volume) const;
  std::vector<std::uint8_t> LogicalStatus(const SimRaidVolume& volume) const;
  std::vector<std::uint8_t> IdentifyPhysical(const SimArrayDisk& disk) const;
  std::vector<std::uint8_t> ControllerInfo() const;
  std::vector<std::uint8_t> BusTarget(std::uint32_t parameter) const;
  // The drive-history read and the LED blink of the drive the parameter names.
  std::uint8_t DriveHistory(std::uint8_t command, std::uint8_t record, std::uint32_t parameter,
                            std::uint16_t count, std::uint8_t* data, std::size_t length);
  std::uint8_t Transfer(bool write, std::uint8_t unit, std::uint32_t first, std::uint16_t count,
                        std::uint8_t* data, std::size_t length);
  void FinishReset();
  SimArrayDisk* FindDisk(std::uint8_t bus, std::uint8_t target) const;
  // The drive an identify-physical-drive parameter names; null when none.
  SimArrayDisk* DiskNamedBy(std::uint32_t parameter) const;

  bool ciss_;
  std::shared_ptr<SimClock> clock_;
  std::optional<PciFunction> pci_;
  std::uint32_t board_;
  std::string model_;
  std::string firmware_;
  std::string serial_;
  std::uint8_t slot_;
  std::uint8_t totalMemory_;
  std::uint8_t installedMemory_;
  std::uint16_t cacheMb_;
  std::uint8_t targetsPerBus_;
  bool presenceMaps_;
  std::uint8_t lunAddressing_;
  std::uint64_t rebuildRate_;
  std::vector<std::uint8_t> batteries_;
  std::vector<std::unique_ptr<SimArrayDisk>> disks_;
  std::vector<std::unique_ptr<SimRaidVolume>> volumes_;
  std::vector<Backplane> backplanes_;
  std::vector<CissFault> cissFaults_;
  std::vector<std::unique_ptr<SimSesEnclosure>> enclosures_;
  std::optional<SimControllerInfo> vendorInfo_;
  SimExternalControllers externals_;
  SimControllerSignals signals_;
  std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> nvram_;
  SimResidentDiagnostics diagnostics_;
  bool backgroundActive_ = true;
  bool resetPending_ = false;
  std::uint64_t rebuildStart_ = 0;
};

}  // namespace os
