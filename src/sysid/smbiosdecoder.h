#pragma once

// The SMBIOS document: the machine's SMBIOS structure table as XML,
//   <smbios majorVersion="3" minorVersion="2">
//     <structure type="2" handle="0x0002" name="BOARDINFO">
//       <property name="manufacturer" caption="Manufacturer" value="..."/>
//       <property name="product" caption="Product" value="..."/>
//       ...
//     </structure>
//   </smbios>
// Every structure of the table becomes a structure element; the BIOS (0), system (1), baseboard (2),
// chassis (3) and server-system-ID (195) structures are named and their fields decoded as properties.

#include <cstdint>
#include <string_view>

#include "support/xmlobject.h"

namespace rb {

// Decodes raw SMBIOS data: a RawSmbiosDataHeader and the structure table. The walk stops at the
// end-of-table structure or at the first structure that does not fit in the table.
XmlObject DecodeSmbios(std::string_view raw);

// The SMBIOS document of the machine, from the operating system's firmware table; a document without
// structures when the system offers none.
XmlObject ReadSmbiosDocument();

}  // namespace rb
