#pragma once

// The machine's storage as Windows would present it, read from sysfs: the SCSI hosts (ports) with
// their units, and the disks Linux does not reach through SCSI (NVMe namespaces, virtio-blk disks,
// attached loop devices), which are given a port of their own after the SCSI hosts', one target per
// disk, LUN 0, as Windows presents NVMe disks behind its SCSI port layer. Ports are numbered from 0
// without gaps in the order of the kernel's host numbers, which have gaps once a host went away (a USB
// disk unplugged), as Windows numbers its ports: a walk of the ports that stops at the first missing
// one finds them all. Every disk gets a PhysicalDrive number in the order of its SCSI address, so the
// numbering is the same from scan to scan as long as the hardware is. Units are told apart by their
// sysfs path, never by /dev names.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace os {

// How a unit is attached, which decides the names Windows would give it.
enum class LinuxAttachment {
  kScsi,     // a SCSI or SAS host
  kIde,      // an ATA port of the kernel's ATA layer (AHCI, PIIX, ...)
  kUsb,      // USB mass storage
  kOwnPort,  // a disk without SCSI, on the backend's own port
};

// What the disks of the own port are.
enum class LinuxBlockKind { kNone, kNvme, kVirtio, kLoop };

struct LinuxScsiHost {
  unsigned number = 0;      // the port's number
  unsigned linuxHost = 0;   // the kernel's host number (none for the own port)
  std::string driver;       // proc_name of the host ("ahci", "usb-storage"); the own port's kind
  std::string pciFunction;  // the sysfs name of its PCI function ("0000:00:03.0"); empty without one
  std::optional<std::uint32_t> ioAddress;  // the PCI function's first I/O BAR
  LinuxAttachment attachment = LinuxAttachment::kScsi;
};

struct LinuxStorageUnit {
  enum Kind { kDisk, kCdrom, kTape, kOther };
  Kind kind = kOther;
  LinuxAttachment attachment = LinuxAttachment::kScsi;
  LinuxBlockKind blockKind = LinuxBlockKind::kNone;  // own port disks
  std::uint8_t port = 0, path = 0, target = 0, lun = 0;
  unsigned linuxHost = 0;  // SCSI units: the kernel's host number
  std::uint8_t scsiType = 0x1F;
  bool removable = false;
  bool claimed = false;     // a class driver is bound (sd, sr, st)
  bool usbFloppy = false;   // a USB UFI drive
  bool solidState = false;  // own port disks: the kernel sees no rotation
  std::string vendor, product, revision, serial;
  std::string sysfsPath;       // the unit's device folder, symbolic links resolved
  std::string pciFunction;     // its nearest PCI function's sysfs name
  std::string node;            // its /dev name without the folder ("sda", "sr0", "st0", "nvme0n1")
  std::string nvmeController;  // "nvme0" for an NVMe namespace
  unsigned number = 0;         // PhysicalDriveN, CdRomN or TapeN
  std::uint64_t blocks = 0;    // disks: logical blocks
  std::uint32_t blockSize = 512;

  // "PhysicalDrive0", "CdRom0", "Tape0"; empty for other units.
  std::string DosName() const;
};

class LinuxStorageMap {
 public:
  // Reads the sysfs tree under `sysfsRoot` ("/sys").
  static LinuxStorageMap Scan(const std::string& sysfsRoot);

  const std::vector<LinuxScsiHost>& Hosts() const { return hosts_; }
  // Every unit, in the order of their addresses.
  const std::vector<LinuxStorageUnit>& Units() const { return units_; }
  const LinuxScsiHost* Host(unsigned number) const;
  // The unit of a DOS name ("PhysicalDrive1", any case); null when there is none.
  const LinuxStorageUnit* FindByDosName(const std::string& name) const;
  // The unit at an address; null when there is none.
  const LinuxStorageUnit* Find(unsigned port, unsigned path, unsigned target, unsigned lun) const;
  // The own port's number; unset when no disk needs it.
  std::optional<unsigned> OwnPort() const { return ownPort_; }

 private:
  std::vector<LinuxScsiHost> hosts_;
  std::vector<LinuxStorageUnit> units_;
  std::optional<unsigned> ownPort_;
};

}  // namespace os
