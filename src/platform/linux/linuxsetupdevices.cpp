#include "platform/linux/linuxsetupdevices.h"

#include "platform/linux/linuxdeviceidentity.h"

namespace os {

namespace {

bool OfClass(const LinuxStorageUnit& unit, const win::Guid& setupClass, const win::Guid& interfaceClass) {
  if (setupClass == win::GUID_DEVCLASS_FLOPPYDISK && interfaceClass == win::GUID_DEVINTERFACE_FLOPPY)
    return unit.usbFloppy;
  if (setupClass == win::GUID_DEVCLASS_DISKDRIVE && interfaceClass == win::GUID_DEVINTERFACE_DISK)
    return unit.kind == LinuxStorageUnit::kDisk && !unit.usbFloppy;
  if (setupClass == win::GUID_DEVCLASS_CDROM && interfaceClass == win::GUID_DEVINTERFACE_CDROM)
    return unit.kind == LinuxStorageUnit::kCdrom;
  if (setupClass == win::GUID_DEVCLASS_TAPEDRIVE && interfaceClass == win::GUID_DEVINTERFACE_TAPE)
    return unit.kind == LinuxStorageUnit::kTape;
  return false;
}

void AddMultiText(SetupDevice& device, win::DWORD property, const std::vector<std::string>& texts) {
  SetupProperty p{property, win::REG_MULTI_SZ, {}};
  for (const std::string& text : texts) {
    p.data.insert(p.data.end(), text.begin(), text.end());
    p.data.push_back(0);
  }
  p.data.push_back(0);
  device.properties.push_back(std::move(p));
}

}  // namespace

void ListSetupDevices(const LinuxStorageMap& map, const win::Guid& setupClass,
                      const win::Guid& interfaceClass, std::vector<SetupDevice>* devices) {
  devices->clear();
  for (const LinuxStorageUnit& unit : map.Units()) {
    if (!OfClass(unit, setupClass, interfaceClass)) continue;
    SetupDevice device;
    device.instanceId = InstanceIdOf(unit);
    device.devicePath = "\\\\.\\" + unit.DosName();
    AddMultiText(device, win::SPDRP_HARDWAREID, HardwareIdsOf(unit));
    device.AddText(win::SPDRP_FRIENDLYNAME, FriendlyNameOf(unit));
    device.AddText(win::SPDRP_DEVICEDESC, DescriptionOf(unit));
    device.AddText(win::SPDRP_ENUMERATOR_NAME, EnumeratorOf(unit));
    device.AddText(win::SPDRP_MFG, ManufacturerOf(unit));
    device.AddText(win::SPDRP_LOCATION_INFORMATION, LocationOf(unit));
    devices->push_back(std::move(device));
  }
}

}  // namespace os
