#pragma once

// A unit of a simulated SCSI port as the system's class drivers present it: a disk (\\.\PhysicalDriveN),
// an optical drive (\\.\CdRomN), a tape drive (\\.\TapeN) or a floppy drive (\\.\FloppyN: a disk
// declared floppy="1"). Each kind is numbered from 0 in the order of the port numbers, then of the
// port's units; enclosures and processors have no class driver and no such name. The names the device
// installer and the management view give it (instance identifier, friendly name) follow how Windows
// forms them for its enumerator: SCSI, USBSTOR on a USB port, IDE on an IDE port.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace os {

class SimScsiPort;
class SimScsiUnit;

struct SimOsDevice {
  enum Kind { kDisk, kCdRom, kTape, kFloppy };

  Kind kind = kDisk;
  std::uint32_t number = 0;
  std::shared_ptr<SimScsiPort> port;
  SimScsiUnit* unit = nullptr;

  // "PhysicalDrive0", "CdRom0", "Tape0", "Floppy0": the name under \\.\ and in the DOS device list.
  std::string Name() const;
  // What the DOS name stands for: "\Device\Harddisk0\DR0", "\Device\CdRom0", ...
  std::string Target() const;
  // "SCSI", "USBSTOR" or "IDE".
  std::string Enumerator() const;
  // "SCSI\DISK&VEN_RAVEL&PROD_RB146_SCSI_DISK&REV_B101\2&0&000100",
  // "USBSTOR\DISK&VEN_RAVEL&PROD_USB_DISK_2.0&REV_1.00\SERIAL&0", "IDE\DISKMODEL___...FIRMWARE\...".
  std::string InstanceId() const;
  // The hardware identifiers, most specific first (the last the generic one, "GenDisk").
  std::vector<std::string> HardwareIds() const;
  // "RAVEL RB146 SCSI DISK SCSI Disk Device", "RAVEL USB DISK 2.0 USB Device", or the model on IDE.
  std::string FriendlyName() const;
};

// The class drivers' devices of the ports (ordered by number).
std::vector<SimOsDevice> ListSimOsDevices(const std::vector<std::shared_ptr<SimScsiPort>>& ports);

}  // namespace os
