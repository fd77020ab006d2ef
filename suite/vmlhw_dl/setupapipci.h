#pragma once

#include <vector>

#include "platform/pcifunction.h"

namespace vmlhw {

// The PCI functions present on a Windows system, from SetupAPI's PCI enumerator: the IDs from the
// device instance and compatible IDs, the location from the bus number and address, the slot from the
// UI number, the description, and the memory and I/O ranges of the allocated configuration (numbered
// in the order Windows lists them) where the configuration manager can tell them: never on Wine, which
// only stubs those calls.
std::vector<os::PciFunction> ReadSetupApiPci();

}  // namespace vmlhw
