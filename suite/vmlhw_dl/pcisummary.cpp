#include "pcisummary.h"

#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace vmlhw {

namespace {

struct ClassName {
  std::uint32_t code;  // base class << 8 | subclass, or the base class alone with kBaseOnly
  const char* name;
};
constexpr std::uint32_t kBaseOnly = 0x10000;

// Names of the PCI base classes and of the subclasses a storage diagnostic cares about.
constexpr ClassName kClassNames[] = {
    {0x0000 | kBaseOnly, "Unclassified device"},
    {0x0001, "VGA compatible unclassified device"},
    {0x0001 | kBaseOnly, "Mass storage controller"},
    {0x0100, "SCSI storage controller"},
    {0x0101, "IDE interface"},
    {0x0102, "Floppy disk controller"},
    {0x0103, "IPI bus controller"},
    {0x0104, "RAID bus controller"},
    {0x0105, "ATA controller"},
    {0x0106, "SATA controller"},
    {0x0107, "Serial Attached SCSI controller"},
    {0x0108, "Non-Volatile memory controller"},
    {0x0002 | kBaseOnly, "Network controller"},
    {0x0200, "Ethernet controller"},
    {0x0202, "FDDI network controller"},
    {0x0207, "Infiniband controller"},
    {0x0003 | kBaseOnly, "Display controller"},
    {0x0300, "VGA compatible controller"},
    {0x0004 | kBaseOnly, "Multimedia controller"},
    {0x0005 | kBaseOnly, "Memory controller"},
    {0x0006 | kBaseOnly, "Bridge"},
    {0x0600, "Host bridge"},
    {0x0601, "ISA bridge"},
    {0x0604, "PCI bridge"},
    {0x0007 | kBaseOnly, "Communication controller"},
    {0x0008 | kBaseOnly, "Generic system peripheral"},
    {0x0009 | kBaseOnly, "Input device controller"},
    {0x000A | kBaseOnly, "Docking station"},
    {0x000B | kBaseOnly, "Processor"},
    {0x000C | kBaseOnly, "Serial bus controller"},
    {0x0C03, "USB controller"},
    {0x0C04, "Fibre Channel"},
    {0x0C05, "SMBus"},
    {0x000D | kBaseOnly, "Wireless controller"},
    {0x000E | kBaseOnly, "Intelligent controller"},
    {0x000F | kBaseOnly, "Satellite communications controller"},
    {0x0010 | kBaseOnly, "Encryption controller"},
    {0x0011 | kBaseOnly, "Signal processing controller"},
    {0x0012 | kBaseOnly, "Processing accelerators"},
    {0x0013 | kBaseOnly, "Non-Essential Instrumentation"},
};

void AddDetail(rb::XmlObject& entry, const char* name, const char* caption, const std::string& value) {
  entry.SetAttribute(name, value);
  entry.AddProperty(name, caption, value);
}

}  // namespace

std::string PciClassName(std::uint32_t classCode) {
  const std::uint32_t base = classCode >> 16 & 0xFF;
  const std::uint32_t sub = classCode >> 8 & 0xFF;
  const char* baseName = "Unclassified device";
  for (const ClassName& entry : kClassNames) {
    if (entry.code == (base << 8 | sub)) return entry.name;
    if (entry.code == (base | kBaseOnly)) baseName = entry.name;
  }
  return baseName;
}

PciDescriber::PciDescriber(const std::string& dataDirectory)
    : allBoards_({dataDirectory + "allboards.xml"}),
      pciBoards_({dataDirectory + "pciboards.xml"}),
      vendorFile_(dataDirectory + "pcivendors.txt") {}

std::string PciDescriber::Describe(const os::PciFunction& f) {
  for (rb::BoardDatabase* database : {&allBoards_, &pciBoards_}) {
    if (auto name = database->LookupName(f.vendorId, f.deviceId, f.subVendorId, f.subsystemId)) return *name;
    if (auto name = database->LookupName(f.vendorId, f.deviceId, 0, 0)) return *name;
  }
  if (!f.description.empty()) return f.description;
  const std::string className = PciClassName(f.classCode);
  std::optional<std::string> vendor;
  {
    std::lock_guard lock(vendorsLock_);
    if (!vendorsLoaded_) {
      vendors_.Load(vendorFile_);
      vendorsLoaded_ = true;
    }
    vendor = vendors_.Lookup(f.vendorId);
  }
  if (vendor && !vendor->empty()) return *vendor + " " + className;
  return rb::StringPrintf("%s [%04x:%04x]", className.c_str(), f.vendorId, f.deviceId);
}

std::string PciSummaryXml(const std::vector<os::PciFunction>& functions, PciDescriber& describer) {
  rb::XmlObject summary;
  summary.SetName("pciSummary");
  for (const os::PciFunction& f : functions) {
    rb::XmlObject entry;
    entry.SetName("structure");
    entry.SetAttribute("name", "pciDevice");
    if (f.domain != 0) entry.SetAttribute("segment", std::to_string(f.domain));
    AddDetail(entry, "bus", "Bus", std::to_string(f.bus));
    AddDetail(entry, "device", "Device", std::to_string(f.device));
    AddDetail(entry, "function", "Function", std::to_string(f.function));
    AddDetail(entry, "vendorID", "Vendor ID", rb::StringPrintf("%04x", f.vendorId));
    AddDetail(entry, "deviceID", "Device ID", rb::StringPrintf("%04x", f.deviceId));
    AddDetail(entry, "subVendorID", "Subsystem Vendor ID", rb::StringPrintf("%04x", f.subVendorId));
    AddDetail(entry, "subsystemID", "Subsystem ID", rb::StringPrintf("%04x", f.subsystemId));
    AddDetail(entry, "classCode", "Class Code", rb::StringPrintf("%06x", f.classCode));
    AddDetail(entry, "slotNumber", "Slot", std::to_string(f.slot));
    AddDetail(entry, "description", "Description", describer.Describe(f));
    AddDetail(entry, "osDeviceID", "Device Instance", f.osDeviceId);
    int ioIndex = 0;
    for (const os::PciFunction::Bar& bar : f.bars) {
      const std::string address = rb::StringPrintf("%llx", static_cast<unsigned long long>(bar.address));
      const std::string name = rb::StringPrintf("BAR%d", bar.index);
      entry.SetAttribute(name, address);
      entry.AddProperty(name, rb::StringPrintf("Base Address %d", bar.index), address);
      if (!bar.io) continue;
      const std::string ioName = rb::StringPrintf("ioPortBaseAddress%d", ioIndex);
      entry.SetAttribute(ioName, address);
      entry.AddProperty(ioName, rb::StringPrintf("I/O Port Base %d", ioIndex), address);
      ++ioIndex;
    }
    summary.AddChild(std::move(entry));
  }
  return summary.ToString();
}

}  // namespace vmlhw
