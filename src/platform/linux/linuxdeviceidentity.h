#pragma once

// The names Windows gives a storage unit, made from what sysfs tells of it: the device instance id
// ("SCSI\DISK&VEN_QEMU&PROD_QEMU_HARDDISK&REV_2.5+\2&0&000100", "USBSTOR\DISK&VEN_...\<serial>&0",
// "IDE\DISKQEMU_HARDDISK____...2.5+____\5&1&0&0.0.0"), the hardware ids, the friendly name and the
// device installer's descriptions. Blanks in vendor, product and revision become "_" as on Windows.

#include <string>
#include <vector>

#include "platform/linux/linuxstoragemap.h"

namespace os {

// "SCSI", "USBSTOR" or "IDE".
std::string EnumeratorOf(const LinuxStorageUnit& unit);
std::string InstanceIdOf(const LinuxStorageUnit& unit);
// Most specific first.
std::vector<std::string> HardwareIdsOf(const LinuxStorageUnit& unit);
// "QEMU QEMU HARDDISK SCSI Disk Device", "QEMU QEMU HARDDISK USB Device", "QEMU HARDDISK" (IDE).
std::string FriendlyNameOf(const LinuxStorageUnit& unit);
// "Disk drive", "CD-ROM Drive", "Tape drive", "Floppy disk drive".
std::string DescriptionOf(const LinuxStorageUnit& unit);
// "(Standard disk drives)" and the like.
std::string ManufacturerOf(const LinuxStorageUnit& unit);
// "Bus Number 0, Target Id 1, LUN 0".
std::string LocationOf(const LinuxStorageUnit& unit);

}  // namespace os
