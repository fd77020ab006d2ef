#include "sysid/pciidentification.h"

#include <cstdlib>
#include <memory>
#include <mutex>

#include "support/portio.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"
#include "sysid/pciinventory.h"
#include "sysid/pcivendorlist.h"
#include "sysid/smbiosdecoder.h"

namespace rb {

namespace {

constexpr const char* kVendorFile = "./pcivendors.txt";

std::mutex vendorLock;
std::unique_ptr<PciVendorList> vendors;  // guarded by vendorLock; loaded on first use

// The description of the first summary entry with that vendor and device.
std::optional<std::string> InventoryDescription(std::uint16_t vendor, std::uint16_t device) {
  if (PortDriverPresent()) return std::nullopt;
  const XmlObject summary = FetchPciSummary();
  for (const XmlObject& entry : summary.Children()) {
    if (HexAttribute(entry, "vendorID") != vendor || HexAttribute(entry, "deviceID") != device) continue;
    std::string description = entry.GetAttribute("description");
    if (description.empty()) return std::nullopt;
    return description;
  }
  return std::nullopt;
}

}  // namespace

BoardDatabase& AllBoardsDatabase() {
  static BoardDatabase database({"/zenbar/utils/allboards.xml", "./allboards.xml"});
  return database;
}

BoardDatabase& PciBoardsDatabase() {
  static BoardDatabase database({"/zenbar/utils/pciboards.xml", "./pciboards.xml"});
  return database;
}

std::optional<std::string> LookupBoardName(std::uint16_t vendor, std::uint16_t device,
                                           std::uint16_t subVendor, std::uint16_t subsystem) {
  if (auto name = AllBoardsDatabase().LookupName(vendor, device, subVendor, subsystem)) return name;
  if (auto name = PciBoardsDatabase().LookupName(vendor, device, subVendor, subsystem)) return name;
  if (auto name = AllBoardsDatabase().LookupName(vendor, device, 0, 0)) return name;
  if (auto name = InventoryDescription(vendor, device)) return name;
  if (auto name = PciBoardsDatabase().LookupName(vendor, device, 0, 0)) return name;
  return InventoryDescription(vendor, device);
}

std::optional<std::string> LookupBoardPhyType(std::uint16_t vendor, std::uint16_t device,
                                              std::uint16_t subVendor, std::uint16_t subsystem) {
  if (auto type = AllBoardsDatabase().LookupPhyType(vendor, device, subVendor, subsystem)) return type;
  return PciBoardsDatabase().LookupPhyType(vendor, device, subVendor, subsystem);
}

std::optional<BoardCapabilities> LookupBoardCapabilities(std::uint32_t key) {
  return PciBoardsDatabase().Capabilities(StringPrintf("%08X", key));
}

std::optional<std::string> LookupVendorName(std::uint16_t vendor) {
  std::lock_guard lock(vendorLock);
  if (!vendors) {
    auto loaded = std::make_unique<PciVendorList>();
    loaded->Load(kVendorFile);
    vendors = std::move(loaded);
  }
  return vendors->Lookup(vendor);
}

std::uint8_t LookupSlotNumber(std::uint8_t bus, std::uint8_t device, std::uint8_t function) {
  const XmlObject summary = FetchPciSummary();
  const XmlObject* entry = summary.SelectSingleNode(
      StringPrintf("structure[$bus='%d' $device='%d' $function='%d']", bus, device, function));
  return entry != nullptr ? static_cast<std::uint8_t>(ToInt(entry->GetAttribute("slotNumber"))) : 0;
}

std::uint16_t ServerSystemIdOf(const XmlObject& smbios) {
  const std::string product =
      smbios.GetValue("structure[@#name='BOARDINFO']/property[@name='product']/@value");
  if (!product.empty()) {
    if (product.back() == 'h')
      return static_cast<std::uint16_t>(
          std::strtoul(product.substr(0, product.size() - 1).c_str(), nullptr, 16));
    return static_cast<std::uint16_t>(std::strtoul(product.c_str(), nullptr, 10));
  }
  const std::string id = smbios.GetValue("structure[@type='195']/property[@name='ServerSystemID']/@value");
  if (id.empty()) return 0;
  const std::string digits = id.size() > 4 ? id.substr(id.size() - 4) : id;
  return static_cast<std::uint16_t>(std::strtoul(digits.c_str(), nullptr, 16));
}

std::uint16_t GetServerSystemId() {
  return ServerSystemIdOf(ReadSmbiosDocument());
}

void ResetPciIdentificationForTesting() {
  AllBoardsDatabase().Reset();
  PciBoardsDatabase().Reset();
  std::lock_guard lock(vendorLock);
  vendors.reset();
}

}  // namespace rb
