#pragma once

#include <cstdint>
#include <vector>

#include "platform/sim/simmachine.h"

namespace os {

// The raw SMBIOS data (a RawSmbiosDataHeader and the structure table) of a machine description:
//   <smbios major="3" minor="2">
//     <structure type="2" length="9" handle="0x0200">
//       <string offset="5">1Ah</string>
//       <byte offset="9" value="1"/>   <word offset="..." value="..."/>
//     </structure>
//   </smbios>
// `length` is the formatted area with its 4-byte header (default 4 + the highest field used);
// `handle` defaults to the structure's position; the version defaults to 3.0. Empty when the
// description has no <smbios>. Raises MachineError for a malformed declaration.
std::vector<std::uint8_t> SimSmbiosTable(const SimMachine& machine);

}  // namespace os
