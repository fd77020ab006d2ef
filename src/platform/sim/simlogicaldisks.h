#pragma once

#include <optional>
#include <vector>

#include "platform/logicaldisk.h"
#include "platform/sim/simmachine.h"

namespace os {

// The fixed volumes a simulated machine declares:
//   <logicalDisks>
//     <disk id="C:" label="System" fileSystem="NTFS" size="..." freeSpace="..."/>
//   </logicalDisks>
// Sizes are bytes, decimal or 0x hexadecimal. <logicalDisks readable="0"/> models a machine whose view
// of them fails (nullopt); a machine without the element has none. A malformed declaration raises
// MachineError when the description is loaded.
std::optional<std::vector<LogicalDisk>> ReadSimLogicalDisks(const SimMachine& machine);

}  // namespace os
