#include "devices/ata/atacontrollerdiscovery.h"

#include <exception>

#include "devices/ata/satadisk.h"
#include "devices/enumeration/discoverycontext.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"
#include "sysid/pciidentification.h"
#include "sysid/pciinventory.h"

namespace rb {

namespace {

constexpr unsigned long kMassStorage = 0x01;
constexpr unsigned long kIdeSubclass = 0x01;
constexpr unsigned long kSataSubclass = 0x06;

AtaController::PciIdentity IdentityOf(const XmlObject& entry) {
  AtaController::PciIdentity pci;
  const auto decimal = [&](const char* name) {
    const std::string text = entry.GetAttribute(name, "");
    return text.empty() ? -1 : ToInt(text);
  };
  pci.bus = decimal("bus");
  pci.device = decimal("device");
  pci.function = decimal("function");
  pci.vendor = static_cast<std::uint16_t>(HexAttribute(entry, "vendorID"));
  pci.deviceId = static_cast<std::uint16_t>(HexAttribute(entry, "deviceID"));
  pci.subVendor = static_cast<std::uint16_t>(HexAttribute(entry, "subVendorID"));
  pci.subsystem = static_cast<std::uint16_t>(HexAttribute(entry, "subsystemID"));
  return pci;
}

// The board databases' attachment names for the ATA kinds, compared without blanks or case.
AtaController::Type TypeOfPhyType(std::string phyType) {
  std::string key;
  for (const char c : phyType)
    if (c != ' ' && c != '-' && c != '_')
      key += static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
  if (key == "SATA") return AtaController::Type::kSata;
  if (key == "IDERAID" || key == "ATARAID") return AtaController::Type::kIdeRaid;
  if (key == "IDE" || key == "PATA" || key == "ATA") return AtaController::Type::kIdeLegacy;
  return AtaController::Type::kOther;
}

}  // namespace

AtaController::Type AtaControllerDiscovery::Classify(const XmlObject& entry) {
  const AtaController::PciIdentity pci = IdentityOf(entry);
  if (const auto phyType = LookupBoardPhyType(pci.vendor, pci.deviceId, pci.subVendor, pci.subsystem))
    return TypeOfPhyType(*phyType);
  // A board the databases do not list is known by its class code.
  const unsigned long classCode = HexAttribute(entry, "classCode");
  if ((classCode >> 16) != kMassStorage) return AtaController::Type::kOther;
  const unsigned long subclass = (classCode >> 8) & 0xFF;
  if (subclass == kSataSubclass) return AtaController::Type::kSata;
  if (subclass == kIdeSubclass) return AtaController::Type::kIdeLegacy;
  return AtaController::Type::kOther;
}

AtaController::Type AtaControllerDiscovery::ClassifyAt(const XmlObject& pciSummary, std::int32_t bus,
                                                       std::int32_t device, std::int32_t function) {
  if (bus < 0 || function < 0) return AtaController::Type::kOther;
  const XmlObject* entry = pciSummary.SelectSingleNode(StringPrintf(
      "structure[@name='pciDevice' @bus='%d' @device='%d' @function='%d']", bus, device, function));
  return entry != nullptr ? Classify(*entry) : AtaController::Type::kOther;
}

void AtaControllerDiscovery::Walk() {
  DebugPrint("Looking for %s\n", KindName());
  for (const XmlObject* entry : context_.PciSummary().SelectNodes("structure[@name='pciDevice']")) {
    DebugPrint("Checking if this is %s \n", KindName());
    if (!IsOfKind(*entry)) continue;
    const AtaController::PciIdentity pci = IdentityOf(*entry);
    DebugPrint(
        "***HIT*** nVendorID=%4x, nProductID=%4x, nSubVendorID=%4x, nSubSystemID=%4x, fIsSATAController=%d\n",
        pci.vendor, pci.deviceId, pci.subVendor, pci.subsystem, Kind() == AtaController::Type::kSata ? 1 : 0);
    DebugPrint("***HIT*** nBusNo=%d, nDeviceNo=%d, nPciBusNo=%d, nPciDeviceNo=%d\n", pci.bus, pci.device,
               pci.bus, pci.device);
    try {
      if (auto controller = Create(*entry)) made_.push_back(std::move(controller));
    } catch (const std::exception& error) {
      DebugPrint("%s\n", error.what());
    }
  }
}

std::shared_ptr<AtaController> AtaControllerDiscovery::Create(const XmlObject& entry) {
  const AtaController::PciIdentity pci = IdentityOf(entry);
  auto made = std::make_unique<AtaController>(Kind(), pci);
  const auto name = LookupBoardName(pci.vendor, pci.deviceId, pci.subVendor, pci.subsystem);
  made->SetBoardName(name ? *name : entry.GetPropertyValue("description"));
  for (const std::uint32_t port : context_.AtaPortsAt(pci.bus, pci.device, pci.function)) made->AddPort(port);
  auto held = std::static_pointer_cast<AtaController>(context_.Add(std::move(made), false));
  if (held != nullptr) context_.AddAtaController(held);
  return held;
}

void SataControllerDiscovery::IdentifyDisks(DiscoveryContext& context) {
  for (const ClassDriverList::Entry& disk : context.ClassDrivers().Entries()) {
    if (disk.name.rfind("PhysicalDrive", 0) != 0) continue;
    if (context.IsClaimed(disk.port, disk.path, disk.target, disk.lun)) continue;
    std::shared_ptr<AtaController> controller = context.AtaControllerOfPort(disk.port);
    if (controller == nullptr || controller->ControllerType() != AtaController::Type::kSata) continue;
    try {
      const std::int32_t number = context.NextDriveNumber(DiscoveryContext::DriveKind::kSataDisk);
      auto sata = std::make_unique<SataDisk>(number, "\\\\.\\" + disk.name);
      sata->SetController(controller);
      sata->SetAddress(
          {sizeof(win::ScsiAddress), static_cast<std::uint8_t>(disk.port), disk.path, disk.target, disk.lun},
          controller->ChannelOf(disk.port));
      // A packet device in the disk list (a zip drive on a SATA bridge) is no hard disk.
      if (sata->Identify().IsPacketDevice()) continue;
      sata->SetCaption(Translate("SATA Hard Disk") + StringPrintf(" %d", number));
      sata->LinkToController("SATA Hard Disk");
      if (context.Add(std::move(sata), true) != nullptr)
        context.Claim(disk.port, disk.path, disk.target, disk.lun);
    } catch (const std::exception& error) {
      DebugPrint("%s\n", error.what());
    }
  }
}

}  // namespace rb
