#pragma once

// The fibre-channel ports the Linux kernel lists in /sys/class/fc_host, in the order of their SCSI host
// numbers: each host's port and node names, port state and speed, and from its SCSI host
// (/sys/class/scsi_host/hostN) the driver's name (proc_name), its version, the firmware version, the
// serial number and the model's description, under the attribute names the drivers use for them. The
// PCI function is the parent of the host's device. The kernel offers no loopback request to user
// space, so these ports have no diagnostics.

#include <string>
#include <vector>

#include "hbaport.h"

namespace qlsdm {

// `root` is the sysfs mount point ("/sys").
std::vector<HbaPort> SysfsHbaPorts(const std::string& root);

}  // namespace qlsdm
