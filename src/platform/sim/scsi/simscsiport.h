#pragma once

// A SCSI port of the simulated machine, declared as <scsi><port number="n" [openError="e"]
// [csmi="1" ...] [array="bmic|ciss" ...]> with its units as children: <disk>, <optical>, <tape>, <enclosure>,
// <processor> (see the unit classes). The port device \\.\SCSIn: answers IOCTL_SCSI_PASS_THROUGH_DIRECT and
// IOCTL_SCSI_PASS_THROUGH to (path, target, LUN), IOCTL_SCSI_GET_INQUIRY_DATA with every unit, and
// IOCTL_SCSI_MINIPORT with CSMI when the port has it, or with an array controller's requests when it is
// one (sim/array/simarraycontroller.h; ERROR_NOT_SUPPORTED otherwise). An address
// without a unit fails as a selection timeout.
//
// How the system sees the port (its registry device map entry, the management view of its controller):
//   driver="simscsi"   the port driver's name; a USB mass-storage port (usb="1") is "USBSTOR"
//   usb="1"            its units are USB mass storage
//   ide="1"            its controller is an IDE/ATA controller, each port one of its channels
//   pciBus="b" pciDevice="d" pciFunction="f"
//                      the <pci> function that is its controller (device and function 0 when absent)
//   ioAddress="a"      the device map's IOAddress; by default the controller's first I/O BAR, if any

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/devicehandle.h"
#include "platform/devicenamespace.h"
#include "platform/pcifunction.h"
#include "platform/sim/array/simarraycontroller.h"
#include "platform/sim/scsi/simcsmiadapter.h"
#include "platform/sim/scsi/simscsiunit.h"
#include "platform/sim/simclock.h"

namespace os {

class SimMachine;
struct SimOsDevice;

class SimScsiPort {
 public:
  // `pci` holds the machine's PCI functions, among which the port's controller must be.
  SimScsiPort(const SimMachine& machine, const rb::XmlObject& element, const std::shared_ptr<SimClock>& clock,
              const std::vector<PciFunction>& pci);

  // The ports of a description, ordered by number; raises MachineError for a number declared twice.
  static std::vector<std::shared_ptr<SimScsiPort>> ReadAll(const SimMachine& machine,
                                                           const std::shared_ptr<SimClock>& clock,
                                                           const std::vector<PciFunction>& pci);
  // Registers \\.\SCSIn: for each port and the drive paths of the system's devices on them.
  static void Register(const std::vector<std::shared_ptr<SimScsiPort>>& ports,
                       const std::vector<SimOsDevice>& drives, DeviceNamespace& devices);

  std::uint32_t Number() const { return number_; }
  // The array controller the port is, or null.
  SimArrayController* Array() const { return array_.get(); }
  const std::string& Driver() const { return driver_; }
  bool Usb() const { return usb_; }
  bool Ide() const { return ide_; }
  // fdc="1": the floppy controller's drives, which are no SCSI port's: the port is in neither the
  // device map nor the device namespace, and its drives have no SCSI address.
  bool FloppyController() const { return fdc_; }
  std::optional<std::uint32_t> IoAddress() const { return ioAddress_; }
  // The PCI function of its controller, when the description names one.
  const std::optional<PciFunction>& Controller() const { return controller_; }
  // The error opening the port fails with; ERROR_SUCCESS when it opens.
  win::DWORD OpenError() const { return openError_; }
  const std::vector<std::unique_ptr<SimScsiUnit>>& Units() const { return units_; }
  SimScsiUnit* FindUnit(std::uint8_t path, std::uint8_t target, std::uint8_t lun) const;

  // A pass-through request to the unit at the request's address, or to `fixed` (a drive path).
  win::DWORD PassThrough(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                         win::DWORD outLength, win::DWORD* returned, SimScsiUnit* fixed);
  win::DWORD Miniport(void* buffer, win::DWORD length);
  // The disk driver's requests on a drive path of one of the port's units (simdriverequests.h).
  win::DWORD DriveRequest(SimScsiUnit& unit, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                          win::DWORD outLength, win::DWORD* returned, bool& handled);
  // Block transfers of a drive path: `count` bytes at byte `offset`, whole blocks only.
  win::DWORD DriveTransfer(SimScsiUnit& unit, bool write, std::uint64_t offset, std::uint8_t* data,
                           win::DWORD count, win::DWORD* moved);
  // IOCTL_SCSI_GET_INQUIRY_DATA: every unit with its standard INQUIRY data.
  win::DWORD InquiryData(void* out, win::DWORD outLength, win::DWORD* returned) const;
  // One command of a drive's class driver to one of the port's units (a tape driver's), taken in turn
  // with every other request of the port.
  win::DWORD UnitCommand(SimScsiUnit& unit, SimScsiCommand& command);

 private:
  std::uint32_t number_;
  win::DWORD openError_ = win::ERROR_SUCCESS;
  std::string driver_;
  bool usb_;
  bool ide_;
  bool fdc_;
  std::optional<PciFunction> controller_;
  std::optional<std::uint32_t> ioAddress_;
  std::vector<std::unique_ptr<SimScsiUnit>> units_;
  std::optional<SimCsmiAdapter> csmi_;
  std::unique_ptr<SimArrayController> array_;
  // The units are shared by every handle of the port and of its drives.
  std::mutex mutex_;
};

// An open \\.\SCSIn:, or a drive path of a unit (\\.\PhysicalDriveN, \\.\CdRomN, \\.\TapeN,
// \\.\FloppyN), which answers IOCTL_SCSI_GET_ADDRESS and takes pass-through requests to itself whatever
// address they carry.
class SimScsiPortHandle : public DeviceHandle {
 public:
  SimScsiPortHandle(std::shared_ptr<SimScsiPort> port, SimScsiUnit* drive)
      : port_(std::move(port)), drive_(drive) {}
  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;
  // A drive path reads and writes its unit's blocks, from a position set in whole blocks.
  win::DWORD Read(void* buffer, win::DWORD count, win::DWORD* moved) override;
  win::DWORD Write(const void* buffer, win::DWORD count, win::DWORD* moved) override;
  win::DWORD Seek(std::int64_t distance, win::DWORD method, std::int64_t* position) override;

 private:
  std::shared_ptr<SimScsiPort> port_;
  SimScsiUnit* drive_;
  std::uint64_t position_ = 0;
};

}  // namespace os
