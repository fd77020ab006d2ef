#pragma once

// The site's storage configuration, storageconfig.xml in the current directory, read afresh by every
// call:
//   <storageConfig>
//     <slotOverride>
//       <controller bus="6" slot="3"/>        slot numbers to report, by PCI bus
//     </slotOverride>
//     <cissBackPlaneList>
//       <productID>KSR</productID>             enclosure products that are backplanes
//     </cissBackPlaneList>
//   </storageConfig>
// The root's name must be exactly "storageConfig"; other names are matched ignoring case, and only the
// first slotOverride and cissBackPlaneList count. A file that is not well-formed raises the parser's
// error out of the call.

#include <optional>
#include <string>
#include <vector>

namespace rb {

inline constexpr const char* kStorageConfigFile = "storageconfig.xml";

// The slot of the first controller entry whose bus equals `bus`; nothing when the file, its
// slotOverride or a matching entry is missing.
std::optional<int> ApplySlotOverride(int bus);
// The product identifiers of the file's backplane list, in document order. A file that cannot be read
// gives the built-in list {"KSR"}; a file with another root or without the list gives an empty list.
std::vector<std::string> ReadBackPlaneList(const std::string& fileName);
// Whether an entry of the backplane list of storageconfig.xml contains the identifier or is contained
// in it (exact case).
bool IsListedBackPlane(const std::string& id);

}  // namespace rb
