#pragma once

#include <string>
#include <vector>

#include "platform/pcifunction.h"

namespace vmlhw {

// The PCI functions of a Linux system whose sysfs is mounted at `sysRoot` (normally "/sys"), in the
// order of their addresses: bus/pci/devices/<domain:bus:device.function>/ with its vendor, device,
// subsystem and class files and the first six lines of `resource` (the base address registers), and
// the physical slot from bus/pci/slots/<slot>/address where the platform lists one. A function whose
// files cannot be read is left out; a system without PCI gives an empty list.
std::vector<os::PciFunction> ReadSysfsPci(const std::string& sysRoot);

}  // namespace vmlhw
