#pragma once

// The fibre-channel adapters of a simulated machine, as the adapters' driver reports them:
//   <fibreChannel>
//     <adapter pciBus="14" pciDevice="0" pciFunction="0" portName="0x10000000C9A1B2C3"
//              nodeName="0x20000000C9A1B2C3" state="online" speed="8" serial="FC91234567"
//              driver="rbfc" driverDescription="..." driverVersion="12.8.340.8" firmware="2.02A1"
//              loop="good" refuses="0xB2" diagnostics="1"/>
//   </fibreChannel>
// The adapter's PCI function (pciBus, pciDevice and pciFunction, 0 when left out) must be declared in
// <pci>; its vendor and device IDs make the board identifier. `state` is online (the default), failed,
// offline or powerOff; `loop` is good (the default), failing (the data comes back changed) or down;
// `refuses` lists the loop types (hexadecimal) that the firmware turns down; diagnostics="0" is a
// driver without the loopback request. Adapters are numbered in document order. Raises MachineError
// for a malformed declaration.

#include <vector>

#include "hbaport.h"
#include "platform/sim/simmachine.h"

namespace qlsdm {

std::vector<HbaPort> SimHbaPorts(const os::SimMachine& machine);

}  // namespace qlsdm
