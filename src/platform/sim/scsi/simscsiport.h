#pragma once

// A SCSI port of the simulated machine, declared as <scsi><port number="n" [openError="e"]
// [csmi="1" ...]> with its units as children: <disk>, <optical>, <tape>, <enclosure>, <processor>
// (see the unit classes). The port device \\.\SCSIn: answers IOCTL_SCSI_PASS_THROUGH_DIRECT and
// IOCTL_SCSI_PASS_THROUGH to (path, target, LUN), and IOCTL_SCSI_MINIPORT with CSMI when the port
// has it (ERROR_NOT_SUPPORTED otherwise). An address without a unit fails as a selection timeout.

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/devicehandle.h"
#include "platform/devicenamespace.h"
#include "platform/sim/scsi/simcsmiadapter.h"
#include "platform/sim/scsi/simscsiunit.h"
#include "platform/sim/simclock.h"

namespace os {

class SimMachine;

class SimScsiPort {
 public:
  SimScsiPort(const SimMachine& machine, const rb::XmlObject& element,
              const std::shared_ptr<SimClock>& clock);

  std::uint32_t Number() const { return number_; }
  // The error opening the port fails with; ERROR_SUCCESS when it opens.
  win::DWORD OpenError() const { return openError_; }
  const std::vector<std::unique_ptr<SimScsiUnit>>& Units() const { return units_; }
  SimScsiUnit* FindUnit(std::uint8_t path, std::uint8_t target, std::uint8_t lun) const;

  // A pass-through request to the unit at the request's address, or to `fixed` (a drive path).
  win::DWORD PassThrough(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                         win::DWORD outLength, win::DWORD* returned, SimScsiUnit* fixed);
  win::DWORD Miniport(void* buffer, win::DWORD length);

  // Registers \\.\SCSIn: for each port of the description and \\.\CDROMn for its optical drives (in
  // the order of the description).
  static void Register(const SimMachine& machine, const std::shared_ptr<SimClock>& clock,
                       DeviceNamespace& devices);

 private:
  std::uint32_t number_;
  win::DWORD openError_ = win::ERROR_SUCCESS;
  std::vector<std::unique_ptr<SimScsiUnit>> units_;
  std::optional<SimCsmiAdapter> csmi_;
  // The units are shared by every handle of the port and of its drives.
  std::mutex mutex_;
};

// An open \\.\SCSIn: or \\.\CDROMn.
class SimScsiPortHandle : public DeviceHandle {
 public:
  SimScsiPortHandle(std::shared_ptr<SimScsiPort> port, SimScsiUnit* drive)
      : port_(std::move(port)), drive_(drive) {}
  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;

 private:
  std::shared_ptr<SimScsiPort> port_;
  SimScsiUnit* drive_;
};

}  // namespace os
