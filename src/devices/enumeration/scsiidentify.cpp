#include "devices/enumeration/scsiidentify.h"

#include <exception>

#include "devices/ata/atacontrollerdiscovery.h"
#include "devices/enumeration/discoverycontext.h"
#include "devices/enumeration/setupapi.h"
#include "devices/enumeration/wmiclass.h"
#include "devices/scsi/csmisasinterface.h"
#include "devices/scsi/csmivolumediscovery.h"
#include "devices/scsi/scsicontroller.h"
#include "devices/scsi/scsidriver.h"
#include "framework/interface.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"
#include "sysid/pciinventory.h"

namespace rb {

namespace {

constexpr win::DWORD kFirstInquiryBuffer = 2048;
constexpr win::DWORD kLargestInquiryBuffer = 1u << 20;
// The CSMI controller class of a RAID controller, whose ports the array family drives.
constexpr std::uint8_t kArrayControllerClass = 4;

std::string PortPath(std::uint32_t port) {
  return StringPrintf(ScsiDriver::kPathFormat, static_cast<int>(port));
}

std::int32_t DecimalAttribute(const XmlObject& entry, const char* name, std::int32_t otherwise) {
  const std::string text = entry.GetAttribute(name, "");
  return text.empty() ? otherwise : ToInt(text);
}

}  // namespace

bool ScsiIdentify::ReadPortUnits(std::uint32_t port, std::vector<os::ScsiUnitInquiry>* units) {
  os::Platform& system = os::Current();
  const win::HANDLE handle = system.CreateFile(PortPath(port), win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                               win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  if (handle == win::INVALID_HANDLE_VALUE) return false;
  std::vector<std::uint8_t> answer;
  bool ok = false;
  win::DWORD returned = 0;
  // A port with more units than the usual buffer holds answers "too small"; it is asked again with
  // room for them rather than losing them.
  for (win::DWORD size = kFirstInquiryBuffer; size <= kLargestInquiryBuffer && !ok; size *= 2) {
    answer.assign(size, 0);
    ok = system.DeviceIoControl(handle, win::IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, answer.data(), size,
                                &returned);
    if (!ok) {
      const win::DWORD error = system.GetLastError();
      if (error != win::ERROR_INSUFFICIENT_BUFFER && error != win::ERROR_MORE_DATA) break;
    }
  }
  system.CloseHandle(handle);
  if (!ok) return false;
  *units = os::ReadScsiInquiryData(answer.data(), std::min<win::DWORD>(returned, answer.size()));
  return true;
}

bool ScsiIdentify::IsArrayControllerPort(ScsiDriver& driver) {
  win::CsmiSasCntlrConfig config{};
  try {
    if (!CsmiSasInterface::GetControllerConfig(driver, &config, sizeof config)) return false;
  } catch (const std::exception&) {
    return false;
  }
  return config.bControllerClass == kArrayControllerClass;
}

const XmlObject* ScsiIdentify::PciEntryOf(const std::string& osDeviceId) const {
  if (osDeviceId.empty() || osDeviceId.find('\'') != std::string::npos) return nullptr;
  return context_.PciSummary().SelectSingleNode("structure[@name='pciDevice' $osDeviceID='" + osDeviceId +
                                                "']");
}

const XmlObject* ScsiIdentify::PciEntryOfIoAddress(std::uint32_t ioAddress) const {
  for (const XmlObject* entry : context_.PciSummary().SelectNodes("structure[@name='pciDevice']"))
    for (int i = 0; i < 6; ++i) {
      const std::string name = StringPrintf("ioPortBaseAddress%d", i);
      if (entry->GetAttribute(name, "").empty()) break;
      if (HexAttribute(*entry, name) == ioAddress) return entry;
    }
  return nullptr;
}

const XmlObject* ScsiIdentify::PciEntryOfDisk(const os::WmiRow& disk) const {
  const auto entities =
      WmiClass::Query("ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"" + WmiClass::Escape(disk.Get("DeviceID")) +
                      "\"} WHERE ResultClass = Win32_PnPEntity");
  if (entities.empty()) return nullptr;
  return PciEntryOfEntity(entities[0].Get("DeviceID"));
}

const XmlObject* ScsiIdentify::PciEntryOfEntity(const std::string& entityId) const {
  const std::string entity = WmiClass::Escape(entityId);
  auto controllers = WmiClass::Query("ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + entity +
                                     "\"} WHERE ResultClass = Win32_ScsiController");
  if (controllers.empty()) {
    controllers = WmiClass::Query("ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + entity +
                                  "\"} WHERE ResultClass = Win32_IDEController");
    // An IDE channel stands between a disk and its controller's PCI function.
    if (!controllers.empty() && controllers[0].Get("DeviceID").rfind("PCIIDE", 0) == 0) {
      const auto onChannel = WmiClass::Query("ASSOCIATORS OF {Win32_IDEController.DeviceID=\"" +
                                             WmiClass::Escape(controllers[0].Get("DeviceID")) +
                                             "\"} WHERE ResultClass = Win32_PnPEntity");
      controllers.clear();
      for (const os::WmiRow& row : onChannel)
        if (row.Get("DeviceID").rfind("PCI\\", 0) == 0) controllers.push_back(row);
    }
  }
  return controllers.empty() ? nullptr : PciEntryOf(controllers[0].Get("DeviceID"));
}

ScsiIdentify::PciLocation ScsiIdentify::FindPciLocation(std::uint32_t port,
                                                        const std::vector<os::ScsiUnitInquiry>& units) {
  const XmlObject* entry = nullptr;
  // The port's first disk at LUN 0 that the system knows leads to the controller; the others would
  // lead to the same one.
  for (const os::ScsiUnitInquiry& unit : units) {
    if (unit.lun != 0) continue;
    const auto disks =
        WmiClass::Query(StringPrintf("SELECT * FROM Win32_DiskDrive WHERE SCSIPort=%u AND SCSIBus=%u AND "
                                     "SCSITargetId=%u AND SCSILogicalUnit=0",
                                     port, unit.path, unit.target));
    if (disks.empty()) continue;
    entry = PciEntryOfDisk(disks[0]);
    break;
  }
  // A port with optical drives only: the drive's own entity leads to the controller.
  if (entry == nullptr) {
    for (const os::WmiRow& drive : WmiClass::Query("select * from Win32_CDROMDrive")) {
      if (drive.Get("SCSIPort") != std::to_string(port) || drive.Get("PNPDeviceID").empty()) continue;
      entry = PciEntryOfEntity(drive.Get("PNPDeviceID"));
      break;
    }
  }
  if (entry == nullptr) {
    const PortAddressCache::Port* known = context_.Ports().Find(port);
    if (known != nullptr && known->hasIoAddress) entry = PciEntryOfIoAddress(known->ioAddress);
  }
  if (entry == nullptr)
    return {
        ScsiController::kUnknownBus, ScsiController::kUnknownDevice, ScsiController::kUnknownFunction, {}};
  return {DecimalAttribute(*entry, "bus", ScsiController::kUnknownBus),
          DecimalAttribute(*entry, "device", ScsiController::kUnknownDevice),
          DecimalAttribute(*entry, "function", ScsiController::kUnknownFunction),
          entry->GetPropertyValue("description")};
}

std::shared_ptr<ScsiController> ScsiIdentify::IdentifyPort(std::uint32_t port) {
  if (auto known = context_.ControllerOfPort(port)) return known;
  std::vector<os::ScsiUnitInquiry> units;
  ReadPortUnits(port, &units);
  return IdentifyPort(port, units);
}

std::shared_ptr<ScsiController> ScsiIdentify::IdentifyPort(std::uint32_t port,
                                                           const std::vector<os::ScsiUnitInquiry>& units) {
  if (auto known = context_.ControllerOfPort(port)) return known;
  if (context_.IsAtaPort(port)) return nullptr;
  const PciLocation location = FindPciLocation(port, units);
  DebugPrint("ScsiDriver::IdentifyAll about to call AtaController-IsIdeRaidController()\n");
  // The channels and ports of ATA controllers are the ATA family's.
  if (AtaControllerDiscovery::ClassifyAt(context_.PciSummary(), location.bus, location.device,
                                         location.function) != AtaController::Type::kOther) {
    context_.AddAtaPort(port, location.bus, location.device, location.function);
    return nullptr;
  }
  auto driver = std::make_unique<ScsiDriver>(PortPath(port));
  std::shared_ptr<ScsiController> controller =
      context_.ControllerAt(location.bus, location.device, location.function);
  if (controller != nullptr && controller->Driver() == nullptr) {
    controller->AttachDriver(std::move(driver));
    context_.AddController(port, controller);
    return controller;
  }
  auto made = std::make_unique<ScsiController>(StringPrintf("SCTRL%u", port), false);
  made->SetPciLocation(location.bus, location.device, location.function);
  made->SetPciDescription(location.description);
  made->AttachDriver(std::move(driver));
  controller = std::static_pointer_cast<ScsiController>(context_.Add(std::move(made), false));
  if (controller == nullptr) {
    DebugPrint("Couldn't create the ScsiController for %s\n", PortPath(port).c_str());
    return nullptr;
  }
  context_.AddController(port, controller);
  return controller;
}

void ScsiIdentify::IdentifyDeviceMapPorts() {
  for (const PortAddressCache::Port& port : context_.Ports().Ports()) {
    try {
      IdentifyPort(port.number);
    } catch (const std::exception& error) {
      DebugPrint("ScsiDriver::IdentifyAll failed for %s: %s\n", PortPath(port.number).c_str(), error.what());
    }
  }
}

void ScsiIdentify::IdentifyAllPci() {
  for (const XmlObject* entry : context_.PciSummary().SelectNodes("structure[@name='pciDevice']")) {
    const unsigned long classCode = HexAttribute(*entry, "classCode");
    if ((classCode >> 16) != 0x01) continue;
    const unsigned long subclass = (classCode >> 8) & 0xFF;
    const AtaController::Type ataType = AtaControllerDiscovery::Classify(*entry);
    DebugPrint("ScsiController::IdentifyAllPci about to call AtaController-IsIdeRaidController()\n");
    // ATA controllers are the ATA family's, RAID functions the array family's.
    if (ataType == AtaController::Type::kIdeRaid || ataType == AtaController::Type::kIdeLegacy ||
        subclass == 0x04)
      continue;
    DebugPrint("ScsiController::IdentifyAllPci about to call AtaController-IsSATAController()\n");
    if (ataType == AtaController::Type::kSata) {
      DebugPrint("IdentifyAllPci doing continue because is SATA cntlr\n");
      continue;
    }
    if (subclass != 0x00 && subclass != 0x07 && subclass != 0x08) continue;
    const std::int32_t bus = DecimalAttribute(*entry, "bus", ScsiController::kUnknownBus);
    const std::int32_t device = DecimalAttribute(*entry, "device", ScsiController::kUnknownDevice);
    const std::int32_t function = DecimalAttribute(*entry, "function", ScsiController::kUnknownFunction);
    if (context_.ControllerAt(bus, device, function) != nullptr) continue;
    auto made = std::make_unique<ScsiController>("SCTRL", true);
    made->SetPciLocation(bus, device, function);
    made->SetPciDescription(entry->GetPropertyValue("description"));
    if (auto held = std::static_pointer_cast<ScsiController>(context_.Add(std::move(made), false)))
      context_.AddController(-1, held);
  }
}

bool ScsiIdentify::AddUnit(std::uint32_t port, const ScsiDriver& driver,
                           const std::shared_ptr<ScsiController>& controller, const os::ScsiUnitInquiry& unit,
                           bool usbPort) {
  if (context_.IsClaimed(port, unit.path, unit.target, unit.lun)) return false;
  std::unique_ptr<ScsiDevice> device =
      ScsiDevice::Create(context_, driver, controller, unit.path, unit.target, unit.lun, usbPort);
  if (device == nullptr) return false;
  if (const ClassDriverList::Entry* os = context_.ClassDrivers().Find(port, unit.path, unit.target, unit.lun))
    device->AddProperty("osDevice", Translate("Operating System Device"), "\\\\.\\" + os->name);
  const std::string name = device->Name();
  const std::string caption = device->Caption();
  if (context_.Add(std::move(device), true) == nullptr) return false;
  context_.Claim(port, unit.path, unit.target, unit.lun);
  if (controller != nullptr) controller->AddInterface(Interface(name, "Physical Drive", caption, 1));
  return true;
}

void ScsiIdentify::IdentifyAll() {
  for (std::uint32_t port = 0; port < kMaxPorts; ++port) {
    std::vector<os::ScsiUnitInquiry> units;
    if (!ReadPortUnits(port, &units)) continue;
    std::shared_ptr<ScsiController> controller = IdentifyPort(port, units);
    if (context_.IsAtaPort(port)) continue;
    ScsiDriver driver(PortPath(port));
    if (IsArrayControllerPort(driver)) continue;
    const bool usb = context_.Ports().IsUsbPort(port);
    for (const os::ScsiUnitInquiry& unit : units) AddUnit(port, driver, controller, unit, usb);
    // The adapter's RAID volumes, once its disks exist to be named as their members; a controller of
    // several ports asks through its own port only.
    if (controller != nullptr && controller->Driver() != nullptr &&
        controller->Driver()->Path() == PortPath(port))
      AddCsmiVolumes(context_, controller);
  }
}

void ScsiIdentify::IdentifyUsb() {
  // A USB disk that no SCSI port lists is reached through its disk device, which takes SCSI commands.
  for (const os::WmiRow& row : WmiClass::Query("select * from Win32_DiskDrive")) {
    const bool usb =
        EqualsNoCase(row.Get("InterfaceType"), "USB") || row.Get("PNPDeviceID").rfind("USBSTOR", 0) == 0;
    const std::string devicePath = row.Get("DeviceID");
    if (!usb || devicePath.empty()) continue;
    os::ScsiUnitInquiry unit;
    unit.path = static_cast<std::uint8_t>(ToInt(row.Get("SCSIBus")));
    unit.target = static_cast<std::uint8_t>(ToInt(row.Get("SCSITargetId")));
    unit.lun = static_cast<std::uint8_t>(ToInt(row.Get("SCSILogicalUnit")));
    const auto port = static_cast<std::uint32_t>(ToInt(row.Get("SCSIPort")));
    if (context_.IsClaimed(port, unit.path, unit.target, unit.lun)) continue;
    DebugPrint("USB mass storage device %s\n", devicePath.c_str());
    ScsiDriver driver(devicePath);
    AddUnit(port, driver, context_.ControllerOfPort(port), unit, true);
  }
  SetupAPI(context_).IdentifyUsbTapes();
}

void ScsiIdentify::DoDeviceCatalog() {
  for (const auto& controller : context_.Controllers()) context_.Describe(*controller);
}

}  // namespace rb
