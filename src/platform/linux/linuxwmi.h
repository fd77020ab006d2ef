#pragma once

// The management instrumentation of a Linux machine, made from its storage map and fixed volumes:
// Win32_DiskDrive, Win32_CDROMDrive, Win32_FloppyDrive (USB floppy drives) and Win32_TapeDrive, one
// Win32_PnPEntity per device, Win32_ScsiController and Win32_IDEController per PCI function that holds
// a port (DeviceID: the function's sysfs name, as the PCI summary gives it), one PCIIDE channel entity
// per ATA port, and Win32_LogicalDisk for the fixed volumes; each drive is associated with its PnP
// entity, each entity with its controller (USB mass storage and loop devices have none that the
// component could use), each IDE controller with its channels.

#include <string>
#include <vector>

#include "platform/linux/linuxstoragemap.h"
#include "platform/logicaldisk.h"
#include "platform/wmirepository.h"

namespace os {

// `mountPoints` gives the mount point of an optical drive's node ("sr0"), empty when it has none.
void FillWmiRepository(const LinuxStorageMap& map, const std::vector<LogicalDisk>& fixedDisks,
                       const std::vector<std::pair<std::string, std::string>>& mountPoints,
                       WmiRepository* repository);

}  // namespace os
