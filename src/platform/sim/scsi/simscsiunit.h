#pragma once

// A logical unit of a simulated SCSI port, declared in the description as a child of <port> with its
// address (path, target, lun; 0 when absent), identity (vendor, product, revision, serial) and faults.
// The base answers what every device type answers (INQUIRY with version descriptors, VPD pages 00h,
// 80h and 83h, TEST UNIT READY, REQUEST SENSE) and applies the declared faults; each device type
// adds its own commands in Dispatch. Units follow the machine's simulated clock.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/scsi/simatadevice.h"
#include "platform/sim/scsi/simscsicommand.h"
#include "platform/sim/scsi/simscsifault.h"
#include "platform/sim/simclock.h"
#include "platform/winapi.h"

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

class SimScsiUnit {
 public:
  SimScsiUnit(const SimMachine& machine, const rb::XmlObject& element, std::uint8_t peripheralType,
              std::shared_ptr<SimClock> clock);
  virtual ~SimScsiUnit() = default;
  SimScsiUnit(const SimScsiUnit&) = delete;
  SimScsiUnit& operator=(const SimScsiUnit&) = delete;

  std::uint8_t Path() const { return path_; }
  std::uint8_t Target() const { return target_; }
  std::uint8_t Lun() const { return lun_; }
  std::uint8_t PeripheralType() const { return type_; }
  const std::string& Vendor() const { return vendor_; }
  const std::string& Product() const { return product_; }
  const std::string& Revision() const { return revision_; }
  const std::string& Serial() const { return serial_; }
  // Bit 7 of INQUIRY byte 1.
  virtual bool Removable() const { return false; }
  // The drive's ATA side when it is on an ATA controller's port (declared with a model); else null.
  SimAtaDevice* Ata() { return ata_.get(); }
  // mounted="1": a file system of the system is on it, and the system will not give it for writing.
  bool Mounted() const { return mounted_; }
  // The standard INQUIRY data (96 bytes), as the unit answers it and as its port lists it.
  std::vector<std::uint8_t> StandardInquiry() const;

  // Carries out one command: ERROR_SUCCESS with the command's answer filled in, or the Windows error
  // of a declared driver failure.
  win::DWORD Execute(SimScsiCommand& command);

 protected:
  // The device type's own commands; the base answers ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE.
  virtual void Dispatch(SimScsiCommand& command);
  // The blocks a command touches, for faults declared on LBA ranges (block devices only).
  virtual std::optional<std::uint64_t> FirstBlock(const SimScsiCommand&, std::uint64_t& blocks) const {
    blocks = 0;
    return std::nullopt;
  }
  // NOT READY sense when the unit cannot take media commands now (a stopped disk, an empty drive).
  virtual bool NotReady(SimScsiCommand& command);
  // What REQUEST SENSE reports when no fault applies (the progress of an operation in the background).
  virtual void CurrentSense(SimScsiCommand& command);

  // Gives the unit its ATA side (its derived type knows the packet type and the sectors).
  void MakeAta(const SimMachine& machine, const rb::XmlObject& element, int packetType,
               std::uint64_t sectors);

  std::uint64_t Now() const { return clock_->Now(); }
  SimClock& Clock() { return *clock_; }

 private:
  void Inquiry(SimScsiCommand& command);

  std::uint8_t type_;
  std::uint8_t path_ = 0;
  std::uint8_t target_ = 0;
  std::uint8_t lun_ = 0;
  std::string vendor_;
  std::string product_;
  std::string revision_;
  std::string serial_;
  std::uint8_t scsiVersion_ = 5;  // INQUIRY byte 2: SPC-3
  std::vector<std::uint16_t> versionDescriptors_;
  std::vector<SimScsiFault> faults_;
  std::shared_ptr<SimClock> clock_;
  std::unique_ptr<SimAtaDevice> ata_;
  bool mounted_ = false;
};

// Peripheral device types.
inline constexpr std::uint8_t kSimDirectAccess = 0x00;
inline constexpr std::uint8_t kSimSequentialAccess = 0x01;
inline constexpr std::uint8_t kSimProcessor = 0x03;
inline constexpr std::uint8_t kSimMmc = 0x05;
inline constexpr std::uint8_t kSimEnclosure = 0x0D;

}  // namespace os
