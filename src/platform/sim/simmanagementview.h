#pragma once

#include <memory>
#include <vector>

#include "platform/logicaldisk.h"
#include "platform/sim/scsi/simosdevice.h"
#include "platform/wmirepository.h"

namespace os {

// The management instrumentation of a simulated machine, as it stands now (an optical drive's medium
// comes and goes): for each class driver's device its Win32_DiskDrive, Win32_CDROMDrive,
// Win32_TapeDrive or Win32_FloppyDrive instance and its Win32_PnPEntity; for each port that names a PCI
// function its controller (Win32_SCSIController, Win32_IDEController when ide="1" with a
// PCIIDE\IDECHANNEL entity per port, Win32_USBController when usb="1"), whose DeviceID is the
// function's operating-system identifier; and the fixed volumes as Win32_LogicalDisk of drive type 3.
// Each drive is associated with its entity, each entity with its port's controller.
WmiRepository SimManagementView(const std::vector<std::shared_ptr<SimScsiPort>>& ports,
                                const std::vector<SimOsDevice>& drives,
                                const std::vector<LogicalDisk>& volumes);

}  // namespace os
