#pragma once

// The machine's PCI summary: an XML document whose root holds one "structure" element per PCI
// function, from GetPCISummary of the suite library vmlhw_dl.
//
// Each entry carries the function's location and identity as attributes (`bus`, `device`, `function`
// and `slotNumber` in decimal; `vendorID`, `deviceID`, `subVendorID`, `subsystemID`, `classCode`, the
// base addresses "BAR<n>" and the I/O port bases "ioPortBaseAddress<n>" in hexadecimal;
// `description`), and the same details as property children (name/caption/value), so that queries
// such as "structure[$bus='6' $device='0' $function='0']" find it.

#include <string>

#include "ravelbank/host.h"
#include "support/xmlobject.h"

namespace rb {

namespace pcisummaryabi {
inline constexpr const char* kLibraryName = "vmlhw_dl.dll";
inline constexpr const char* kGetPCISummary = "GetPCISummary";
// The summary text, zero-terminated, in a block of OruAlloc that the caller frees with OruFree; null
// when no block could be had.
extern "C" typedef char*(RAVELBANK_HOST_CALL* GetPCISummaryFunction)(void);
}  // namespace pcisummaryabi

// What the summary reads when the library or its function cannot be found.
inline constexpr const char* kPciSummaryUnavailable =
    "<error>Failed to load GetPCISummary function in vmlhw_dl.dll!!!</error>";

// A fresh summary text. The library is loaded on first success and kept for the life of the process.
std::string FetchPciSummaryText();
// A fresh summary, parsed. A text that does not parse is traced and gives an empty document.
XmlObject FetchPciSummary();

// Reads a hexadecimal attribute of a summary entry as "%lx" reads it (0 when missing or not a number).
unsigned long HexAttribute(const XmlObject& entry, std::string_view name);

}  // namespace rb
