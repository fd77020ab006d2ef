#pragma once

// Naming and placing the machine's PCI boards: board names from the two board databases and the PCI
// summary, board capabilities, vendor names, slot numbers and the server's system identifier. The
// databases and the vendor list are the process's, loaded on first use:
//   all-boards database  "/zenbar/utils/allboards.xml", else "./allboards.xml"
//   PCI-boards database  "/zenbar/utils/pciboards.xml", else "./pciboards.xml"
//   vendor list          "./pcivendors.txt"

#include <cstdint>
#include <optional>
#include <string>

#include "support/xmlobject.h"
#include "sysid/boarddatabase.h"

namespace rb {

BoardDatabase& AllBoardsDatabase();
BoardDatabase& PciBoardsDatabase();

// The board's display name. Tried in order, the first success wins: the all-boards database with the
// four IDs (then vendor and device), the PCI-boards database likewise; then the all-boards database with
// the subsystem IDs taken as 0 (then vendor and device) followed by the PCI summary's description of the
// first function of that vendor and device; then the PCI-boards database and the summary likewise.
// While the port-I/O driver can be opened the summary is not asked.
std::optional<std::string> LookupBoardName(std::uint16_t vendor, std::uint16_t device,
                                           std::uint16_t subVendor, std::uint16_t subsystem);
// The board's PhyType from the all-boards database, else the PCI-boards database (see
// BoardDatabase::LookupPhyType); nothing when neither lists one.
std::optional<std::string> LookupBoardPhyType(std::uint16_t vendor, std::uint16_t device,
                                              std::uint16_t subVendor, std::uint16_t subsystem);
// The support bytes of the board whose key is "%08X" of (vendor << 16 | device), from the PCI-boards
// database; nothing when that database was not loaded or does not list the key.
std::optional<BoardCapabilities> LookupBoardCapabilities(std::uint32_t key);
// The vendor's name from the vendor list.
std::optional<std::string> LookupVendorName(std::uint16_t vendor);
// The physical slot of the function at that location, from a fresh PCI summary; 0 when none matches.
std::uint8_t LookupSlotNumber(std::uint8_t bus, std::uint8_t device, std::uint8_t function);
// The server's system identifier from the SMBIOS document: the baseboard's product number (hexadecimal
// when it ends in 'h', decimal otherwise), else the last four hexadecimal digits of the server-system-ID
// structure; 0 when neither is there.
std::uint16_t GetServerSystemId();
// The same rule applied to a given SMBIOS document.
std::uint16_t ServerSystemIdOf(const XmlObject& smbios);

// Forgets the loaded databases and vendor list, so that the next lookup loads them again.
void ResetPciIdentificationForTesting();

}  // namespace rb
