#include "platform/sim/simdeviceinstaller.h"

#include "platform/sim/scsi/simscsiport.h"
#include "platform/sim/simregistry.h"
#include "support/stringutil.h"

namespace os {

namespace {

struct SetupClass {
  win::Guid setupClass;
  win::Guid interfaceClass;
  const char* description;
  const char* maker;
};

// By SimOsDevice::Kind.
constexpr SetupClass kClasses[] = {
    {win::GUID_DEVCLASS_DISKDRIVE, win::GUID_DEVINTERFACE_DISK, "Disk drive", "(Standard disk drives)"},
    {win::GUID_DEVCLASS_CDROM, win::GUID_DEVINTERFACE_CDROM, "CD-ROM Drive", "(Standard CD-ROM drives)"},
    {win::GUID_DEVCLASS_TAPEDRIVE, win::GUID_DEVINTERFACE_TAPE, "Tape drive", "(Standard tape drives)"},
    {win::GUID_DEVCLASS_FLOPPYDISK, win::GUID_DEVINTERFACE_FLOPPY, "Floppy disk drive",
     "(Standard floppy disk drives)"},
};

}  // namespace

SimDeviceInstaller::SimDeviceInstaller(const SimMachine& machine, std::vector<SimOsDevice> drives)
    : drives_(std::move(drives)) {
  for (const rb::XmlObject* element : machine.Description().GetChildren("setupProperty")) {
    TypeOverride entry{element->GetAttribute("device"),
                       static_cast<win::DWORD>(machine.Number(*element, "property", 0xFFFFFFFF)),
                       SimRegistry::TypeCode(machine, *element)};
    bool known = false;
    for (const SimOsDevice& drive : drives_) known = known || rb::EqualsNoCase(drive.Name(), entry.device);
    if (!known) machine.Reject("<setupProperty> names no device: '" + entry.device + "'");
    overrides_.push_back(std::move(entry));
  }
}

SetupResult SimDeviceInstaller::Enumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                                          std::vector<SetupDevice>* devices) const {
  devices->clear();
  for (const SimOsDevice& drive : drives_) {
    const SetupClass& kind = kClasses[drive.kind];
    if (kind.setupClass == setupClass)
      devices->push_back(Describe(drive, kind.interfaceClass == interfaceClass));
  }
  return SetupResult::kOk;
}

SetupDevice SimDeviceInstaller::Describe(const SimOsDevice& drive, bool withInterface) const {
  const SetupClass& kind = kClasses[drive.kind];
  SetupDevice device;
  device.instanceId = drive.InstanceId();
  if (withInterface) device.devicePath = "\\\\.\\" + drive.Name();
  SetupProperty hardwareIds{win::SPDRP_HARDWAREID, win::REG_MULTI_SZ, {}};
  for (const std::string& id : drive.HardwareIds()) {
    hardwareIds.data.insert(hardwareIds.data.end(), id.begin(), id.end());
    hardwareIds.data.push_back(0);
  }
  hardwareIds.data.push_back(0);
  device.properties.push_back(std::move(hardwareIds));
  device.AddText(win::SPDRP_FRIENDLYNAME, drive.FriendlyName());
  device.AddText(win::SPDRP_DEVICEDESC, kind.description);
  device.AddText(win::SPDRP_ENUMERATOR_NAME, drive.Enumerator());
  device.AddText(win::SPDRP_MFG, kind.maker);
  device.AddText(win::SPDRP_LOCATION_INFORMATION,
                 rb::StringPrintf("Bus Number %u, Target Id %u, LUN %u", drive.unit->Path(),
                                  drive.unit->Target(), drive.unit->Lun()));
  for (const TypeOverride& entry : overrides_) {
    if (!rb::EqualsNoCase(entry.device, drive.Name())) continue;
    for (SetupProperty& property : device.properties)
      if (property.property == entry.property) property.type = entry.type;
  }
  return device;
}

}  // namespace os
