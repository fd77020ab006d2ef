#include "devices/enumeration/setupapi.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "devices/ata/atacontroller.h"
#include "devices/ata/idecdrom.h"
#include "devices/ata/idedisk.h"
#include "devices/ata/idefloppy.h"
#include "devices/ata/idezipdrive.h"
#include "devices/ata/usbidedisk.h"
#include "devices/enumeration/discoverycontext.h"
#include "devices/enumeration/wmiclass.h"
#include "devices/scsi/scsicdrom.h"
#include "devices/scsi/scsicontroller.h"
#include "devices/scsi/scsidriver.h"
#include "devices/scsi/usbdisk.h"
#include "devices/tape/scsitape.h"
#include "devices/tape/usbtape.h"
#include "framework/interface.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/stringutil.h"

namespace rb {

namespace {

// The SCSI address the device reports (IOCTL_SCSI_GET_ADDRESS); false when it reports none.
bool AddressOf(const std::string& devicePath, win::ScsiAddress* address) {
  os::Platform& system = os::Current();
  const win::HANDLE handle = system.CreateFile(devicePath, win::GENERIC_READ | win::GENERIC_WRITE,
                                               win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                               win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  if (handle == win::INVALID_HANDLE_VALUE) return false;
  win::DWORD returned = 0;
  const bool ok = system.DeviceIoControl(handle, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, address,
                                         sizeof *address, &returned) &&
                  returned >= sizeof *address;
  system.CloseHandle(handle);
  return ok;
}

bool IsUsbStorage(const os::SetupDevice& device) {
  return device.instanceId.find("USBSTOR") != std::string::npos;
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// The number at the end of a device path ("\\.\CdRom3" is 3); -1 when there is none.
int TrailingNumber(const std::string& path) {
  const std::size_t digits = path.find_last_not_of("0123456789");
  if (digits == std::string::npos || digits + 1 == path.size()) return -1;
  return ToInt(path.substr(digits + 1));
}

}  // namespace

int SetupAPI::Enumerate(const win::Guid& setupClass, const win::Guid& interfaceClass) {
  os::Platform& system = os::Current();
  const os::SetupResult result = system.SetupEnumerate(setupClass, interfaceClass, &devices_);
  if (result == os::SetupResult::kSetupClassFailed) {
    DebugPrint("GetClassDeviceSet1 failed with error: %d\n", static_cast<int>(system.GetLastError()));
    devices_.clear();
    return -1;
  }
  if (result == os::SetupResult::kInterfaceClassFailed) {
    DebugPrint("GetClassDeviceSet2 failed with error: %d\n", static_cast<int>(system.GetLastError()));
    devices_.clear();
    return -1;
  }
  return static_cast<int>(devices_.size());
}

std::string SetupAPI::PropertyText(const os::SetupDevice& device, win::DWORD property) {
  const os::SetupProperty* found = device.Find(property);
  if (found == nullptr) return {};
  DebugPrint("RequiredSize is %u\n", static_cast<unsigned>(found->data.size()));
  if (found->type == win::REG_SZ) {
    DebugPrint("PropertyRegDataType is REG_SZ\n");
  } else if (found->type == win::REG_EXPAND_SZ) {
    DebugPrint("PropertyRegDataType is REG_EXPAND_SZ\n");
  } else {
    DebugPrint("PropertyRegDataType is something else(%d)\n", static_cast<int>(found->type));
    return {};
  }
  std::string text(found->data.begin(), found->data.end());
  return text.substr(0, text.find('\0'));
}

std::string SetupAPI::IdentifierPart(const std::string& instanceId, const char* key) {
  const std::size_t at = instanceId.find(key);
  if (at == std::string::npos) return {};
  const std::size_t start = at + std::string(key).size();
  const std::size_t end = instanceId.find_first_of("&\\", start);
  std::string part = instanceId.substr(start, end == std::string::npos ? std::string::npos : end - start);
  for (char& c : part)
    if (c == '_') c = ' ';
  return Trim(part);
}

bool SetupAPI::OnFloppy(const os::SetupDevice& device, int number) {
  if (!IsUsbStorage(device)) {
    // A drive on the floppy controller.
    if (device.devicePath.empty()) return false;
    auto diskette = std::make_unique<IdeFloppy>("Diskette", true, device.devicePath);
    diskette->SetCaption(Translate("Diskette Drive") + StringPrintf(" %d", number));
    diskette->SetDriveNumber(std::max(TrailingNumber(device.devicePath), 0));
    return AddAtaDrive(std::move(diskette), nullptr, "Diskette Drive");
  }
  bool confirmed = false;
  for (const os::WmiRow& row :
       WmiClass::Query("select * from Win32_FloppyDrive where DeviceID like \"%USBSTOR%\""))
    confirmed = confirmed || EqualsNoCase(row.Get("DeviceID"), device.instanceId);
  if (!confirmed || device.devicePath.empty()) return false;
  win::ScsiAddress address{};
  const bool addressed = AddressOf(device.devicePath, &address);
  if (addressed && context_.IsClaimed(address.PortNumber, address.PathId, address.TargetId, address.Lun))
    return false;
  auto floppy =
      std::make_unique<USBFloppy>("usbFloppy", true, nullptr, address.PathId, address.TargetId, address.Lun);
  floppy->OwnDriver(std::make_unique<ScsiDriver>(device.devicePath));
  floppy->SetCaption(Translate("Diskette Drive") + StringPrintf(" %d", number));
  const std::string vendor = IdentifierPart(device.instanceId, "VEN_");
  const std::string product = IdentifierPart(device.instanceId, "&PROD_");
  if (!vendor.empty() || !product.empty())
    floppy->AddProperty("usbIdentity", Translate("USB Device"), Trim(vendor + " " + product));
  // 2,880 blocks of 512 bytes: a high-density 3.5" diskette.
  if (floppy->IsReady() && floppy->BlockSize() == 512 && floppy->LastBlockAddress() + 1 == 2880)
    floppy->SetDescription("HighDensity 1.44");
  floppy->SetDriveNumber(context_.NextDriveNumber(DiscoveryContext::DriveKind::kUsbFloppy));
  return AddOnPort(std::move(floppy), addressed ? &address : nullptr, "Diskette Drive");
}

bool SetupAPI::OnCDROM(const os::SetupDevice& device, int number) {
  if (device.devicePath.empty()) return false;
  win::ScsiAddress address{};
  const bool addressed = AddressOf(device.devicePath, &address);
  if (addressed && context_.IsClaimed(address.PortNumber, address.PathId, address.TargetId, address.Lun))
    return false;
  const bool usb = IsUsbStorage(device);
  if (addressed && context_.IsAtaPort(address.PortNumber)) {
    auto drive = std::make_unique<IdeCdrom>("cdrom", true, device.devicePath);
    drive->SetCaption(Translate("Optical Drive") + StringPrintf(" %d", number));
    // The optical drive's number picks the device register of its pass-through identify.
    const int cdrom = TrailingNumber(device.devicePath);
    drive->SetDriveNumber(cdrom >= 0 ? cdrom : number - 1);
    return AddAtaDrive(std::move(drive), &address, "Optical Drive");
  }
  auto drive =
      std::make_unique<ScsiCdrom>(usb ? "usbCdrom" : "cdrom", true, device.devicePath, address.PortNumber,
                                  address.PathId, address.TargetId, address.Lun, usb);
  drive->SetCaption(Translate("Optical Drive") + StringPrintf(" %d", number));
  const std::string friendly = PropertyText(device, win::SPDRP_FRIENDLYNAME);
  if (!friendly.empty()) drive->SetDescription(friendly);
  return AddOnPort(std::move(drive), addressed ? &address : nullptr, "Optical Drive");
}

bool SetupAPI::AddOnPort(std::unique_ptr<ScsiDevice> device, const win::ScsiAddress* address,
                         const char* kind) {
  std::shared_ptr<ScsiController> controller =
      address != nullptr ? context_.ControllerOfPort(address->PortNumber) : nullptr;
  if (controller != nullptr) {
    device->SetParentAdapter(controller);
    device->AddInterface(Interface(controller->Name(), "Single Physical Disk Drive", kind, 0));
  }
  const std::string name = device->Name();
  const std::string caption = device->Caption();
  if (context_.Add(std::move(device), true) == nullptr) return false;
  if (address != nullptr)
    context_.Claim(address->PortNumber, address->PathId, address->TargetId, address->Lun);
  if (controller != nullptr) controller->AddInterface(Interface(name, kind, caption, 1));
  return true;
}

bool SetupAPI::OnIdeDisk(const os::SetupDevice& device, int) {
  if (device.devicePath.empty()) return false;
  win::ScsiAddress address{};
  const bool addressed = AddressOf(device.devicePath, &address);
  if (addressed && context_.IsClaimed(address.PortNumber, address.PathId, address.TargetId, address.Lun))
    return false;
  std::shared_ptr<AtaController> controller =
      addressed ? context_.AtaControllerOfPort(address.PortNumber) : nullptr;
  if (controller != nullptr && controller->ControllerType() == AtaController::Type::kSata) return false;
  const bool usb = IsUsbStorage(device);
  const bool ide = device.instanceId.rfind("IDE\\", 0) == 0;
  if (controller == nullptr && !ide && !usb) return false;
  const std::string friendly = PropertyText(device, win::SPDRP_FRIENDLYNAME);

  // Identify tells a zip drive (a removable packet device) from a disk.
  IdeDisk probe("ideDisk", false, device.devicePath);
  const AtaIdentify& identify = probe.Identify();
  // A USB disk is the SCSI family's unless its bridge passes ATA commands through.
  if (usb && !identify.Present()) return false;
  std::string model = identify.Model() + " " + friendly;
  for (char& c : model) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
  std::unique_ptr<IdeDevice> drive;
  const char* kind = "IDE Hard Disk";
  if (Contains(model, "ZIP") || (identify.IsPacketDevice() && identify.PacketDeviceType() == 0)) {
    kind = "IDE Zip Drive";
    drive = std::make_unique<IdeZipDrive>("IdeZipDrive", true, device.devicePath);
  } else if (usb) {
    drive = std::make_unique<UsbIdeDisk>("ideDisk", true, device.devicePath);
    kind = "USB Hard Disk";
  } else {
    auto disk = std::make_unique<IdeDisk>("ideDisk", true, device.devicePath);
    disk->SetBehindIdeRaid(
        (controller != nullptr && controller->ControllerType() == AtaController::Type::kIdeRaid) ||
        Contains(model, "IDERAID") || Contains(model, "MEGAIDE"));
    drive = std::move(disk);
  }
  drive->SetIdentify(identify);
  // Disks and zip drives are numbered each in their own kind.
  drive->SetCaption(Translate(kind) + StringPrintf(" %d", ++ataDriveNumbers_[kind]));
  drive->SetDriveNumber(std::max(TrailingNumber(device.devicePath), 0));
  return AddAtaDrive(std::move(drive), addressed ? &address : nullptr, kind);
}

bool SetupAPI::AddAtaDrive(std::unique_ptr<IdeDevice> drive, const win::ScsiAddress* address,
                           const char* kind) {
  if (address != nullptr) {
    std::shared_ptr<AtaController> controller = context_.AtaControllerOfPort(address->PortNumber);
    drive->SetAddress(*address, controller != nullptr ? controller->ChannelOf(address->PortNumber) : -1);
    if (controller != nullptr) drive->SetController(std::move(controller));
  }
  // The controller's link is made once the drive has its final name.
  IdeDevice* made = drive.get();
  if (context_.Add(std::move(drive), false) == nullptr) return false;
  made->LinkToController(kind);
  context_.Describe(*made);
  if (address != nullptr)
    context_.Claim(address->PortNumber, address->PathId, address->TargetId, address->Lun);
  return true;
}

void SetupAPI::RunPass(const char* what, const win::Guid& setupClass, const win::Guid& interfaceClass,
                       bool (SetupAPI::*make)(const os::SetupDevice&, int)) {
  DebugPrint("\n       Identifying %s\n", what);
  if (Enumerate(setupClass, interfaceClass) > 0) {
    int number = 0;
    for (const os::SetupDevice& device : devices_) {
      DebugPrint("%s: %s\n", what, device.instanceId.c_str());
      PropertyText(device, win::SPDRP_FRIENDLYNAME);
      if (make == nullptr) continue;
      try {
        if ((this->*make)(device, number + 1)) ++number;
      } catch (const std::exception& error) {
        DebugPrint("%s\n", error.what());
      }
    }
  }
  DebugPrint("\nFinished Identifying %s\n", what);
}

void SetupAPI::IdentifyDisketteDrives() {
  RunPass("Diskette Drives", win::GUID_DEVCLASS_FLOPPYDISK, win::GUID_DEVINTERFACE_FLOPPY,
          &SetupAPI::OnFloppy);
}

void SetupAPI::IdentifyIdeHardDrives() {
  RunPass("IDE Hard Drives", win::GUID_DEVCLASS_DISKDRIVE, win::GUID_DEVINTERFACE_DISK, &SetupAPI::OnIdeDisk);
}

bool SetupAPI::OnTape(const os::SetupDevice& device, int) {
  if (device.devicePath.empty() || IsUsbStorage(device)) return false;
  win::ScsiAddress address{};
  if (!AddressOf(device.devicePath, &address) || !context_.IsAtaPort(address.PortNumber) ||
      context_.IsClaimed(address.PortNumber, address.PathId, address.TargetId, address.Lun))
    return false;
  // Its commands go through its own device, which takes SCSI pass-through for the drive.
  auto tape =
      std::make_unique<ScsiTape>("scsiTape", true, nullptr, address.PathId, address.TargetId, address.Lun);
  tape->SetElementClass("scsiTape");
  tape->OwnDriver(std::make_unique<ScsiDriver>(device.devicePath));
  tape->SetDeviceFile(device.devicePath);
  const std::int32_t number = context_.NextDriveNumber(DiscoveryContext::DriveKind::kTape);
  tape->SetTapeNumber(number);
  tape->SetDriveNumber(number);
  return AddOnPort(std::move(tape), &address, "Tape Drive");
}

// Tapes on SCSI ports are the port scan's, USB tapes the USB pass's; this pass takes the ATAPI tapes
// on ATA controllers' ports, which the port scan leaves to the ATA family.
void SetupAPI::IdentifyTapeDrives() {
  RunPass("Tape Drives", win::GUID_DEVCLASS_TAPEDRIVE, win::GUID_DEVINTERFACE_TAPE, &SetupAPI::OnTape);
}

void SetupAPI::IdentifyUsbTapes() {
  bool enumerated = false;
  for (const os::WmiRow& row :
       WmiClass::Query("SELECT * FROM CIM_MediaAccessDevice WHERE DeviceID LIKE \"USBSTOR%\"")) {
    if (!EqualsNoCase(row.Get("CreationClassName"), "Win32_TapeDrive")) continue;
    // The device installer knows the device that opens the drive.
    if (!enumerated) enumerated = Enumerate(win::GUID_DEVCLASS_TAPEDRIVE, win::GUID_DEVINTERFACE_TAPE) >= 0;
    const std::string instance = row.Get("DeviceID");
    const auto listed = std::find_if(devices_.begin(), devices_.end(), [&](const os::SetupDevice& device) {
      return EqualsNoCase(device.instanceId, instance) && !device.devicePath.empty();
    });
    win::ScsiAddress address{};
    const bool addressed = listed != devices_.end() && AddressOf(listed->devicePath, &address);
    if (addressed && context_.IsClaimed(address.PortNumber, address.PathId, address.TargetId, address.Lun))
      continue;
    const std::int32_t number = context_.NextDriveNumber(DiscoveryContext::DriveKind::kTape);
    const std::string deviceFile =
        listed != devices_.end() ? listed->devicePath : StringPrintf("\\\\.\\tape%d", number - 1);
    DebugPrint("USB tape drive %s\n", deviceFile.c_str());
    auto tape =
        std::make_unique<UsbTape>("usbTape", true, nullptr, address.PathId, address.TargetId, address.Lun);
    tape->OwnDriver(std::make_unique<ScsiDriver>(deviceFile));
    tape->SetDeviceFile(deviceFile);
    tape->SetTapeNumber(number);
    tape->SetDriveNumber(number);
    AddOnPort(std::move(tape), addressed ? &address : nullptr, "Tape Drive");
  }
}

void SetupAPI::IdentifyOpticalDrives() {
  const std::vector<os::WmiRow> drives = WmiClass::Query("select * from Win32_CDROMDrive");
  if (!drives.empty()) DebugPrint("Exec Query for Win32_CDROMDrive was successful\n");
  RunPass("Optical Drives", win::GUID_DEVCLASS_CDROM, win::GUID_DEVINTERFACE_CDROM, &SetupAPI::OnCDROM);
  // An optical drive of an ATA controller that the device installer did not list is reached through
  // the drive letter the management instrumentation gives it.
  for (const os::WmiRow& row : drives) {
    const std::string letter = row.Get("Drive");
    if (letter.size() != 2 || letter[1] != ':') continue;
    const win::ScsiAddress address{sizeof(win::ScsiAddress),
                                   static_cast<std::uint8_t>(ToInt(row.Get("SCSIPort"))),
                                   static_cast<std::uint8_t>(ToInt(row.Get("SCSIBus"))),
                                   static_cast<std::uint8_t>(ToInt(row.Get("SCSITargetId"))),
                                   static_cast<std::uint8_t>(ToInt(row.Get("SCSILogicalUnit")))};
    if (!context_.IsAtaPort(address.PortNumber) ||
        context_.IsClaimed(address.PortNumber, address.PathId, address.TargetId, address.Lun))
      continue;
    auto drive = std::make_unique<IdeCdrom>("cdrom", true, "\\\\.\\" + letter);
    drive->SetFoundThroughWmi(true);
    drive->SetCaption(Translate("Optical Drive") + " " + letter);
    try {
      AddAtaDrive(std::move(drive), &address, "Optical Drive");
    } catch (const std::exception& error) {
      DebugPrint("%s\n", error.what());
    }
  }
}

}  // namespace rb
