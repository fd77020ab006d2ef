#pragma once

#include <vector>

#include "platform/pcifunction.h"
#include "platform/sim/simmachine.h"

namespace os {

// The PCI functions a machine description declares, in document order:
//   <pci>
//     <function bus="6" device="0" function="0" vendorID="0x1000" deviceID="0x0073"
//               subVendorID="0x1000" subsystemID="0x9240" classCode="0x010400" slot="3"
//               description="..." osDeviceID="...">
//       <bar index="0" address="0xfe400000"/>
//       <bar index="1" address="0xe000" io="1"/>
//     </function>
//   </pci>
// Numbers are decimal or 0x-prefixed hexadecimal. `subVendorID`, `subsystemID`, `classCode`, `slot`,
// `description` and `osDeviceID` may be left out (0, or empty; the operating-system identifier is then
// made from the IDs and the location, as Windows names a PCI device instance). Raises MachineError for
// a malformed declaration or a location declared twice.
std::vector<PciFunction> SimPciFunctions(const SimMachine& machine);

}  // namespace os
