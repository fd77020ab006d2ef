#pragma once

// The device installer's view of the storage map: for the disk, CD-ROM, tape and floppy classes (each
// with its interface class), one device per unit of the class in the map's order, with its instance
// id, the device path that opens it (\\.\PhysicalDriveN, \\.\CdRomN, \\.\TapeN) and its registry
// properties. USB floppy drives are of the floppy class, not the disk class.

#include <vector>

#include "platform/linux/linuxstoragemap.h"
#include "platform/setupdevice.h"

namespace os {

// Devices of any other pair of classes: none.
void ListSetupDevices(const LinuxStorageMap& map, const win::Guid& setupClass,
                      const win::Guid& interfaceClass, std::vector<SetupDevice>* devices);

}  // namespace os
