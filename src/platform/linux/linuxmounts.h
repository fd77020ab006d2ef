#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/logicaldisk.h"

namespace os {

// The local fixed volumes of a Linux machine: the file systems of the mount table (in the format of
// /proc/self/mounts) that live on a block device, each listed once (the first mount point of a device
// wins), with the label udev published for the device in `byLabelDirectory`, and the size and the space
// available to users from statvfs. Loop devices (mounted images) and mount points that cannot be
// queried are left out. False when the mount table cannot be read.
bool ReadFixedLogicalDisks(const std::string& mountTable, const std::string& byLabelDirectory,
                           std::vector<LogicalDisk>* disks);

// The mount points of the devices of the mount table: (the device's name under /dev, as "sr0", its
// first mount point), in the table's order. Empty when the table cannot be read.
std::vector<std::pair<std::string, std::string>> ReadDeviceMountPoints(const std::string& mountTable);

}  // namespace os
