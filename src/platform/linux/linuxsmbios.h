#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os {

// The raw SMBIOS data (a RawSmbiosDataHeader and the structure table) of the Linux system whose sysfs
// is mounted at `sysRoot` (normally "/sys"): the kernel's copy of the firmware's table
// (firmware/dmi/tables/DMI, the version from its entry point). That copy is readable by root only;
// without it the table is built from the identity files of class/dmi/id that can be read: BIOS
// (type 0), system (type 1), baseboard (type 2) and chassis (type 3). Empty when there is neither.
std::vector<std::uint8_t> ReadLinuxSmbios(const std::string& sysRoot);

}  // namespace os
