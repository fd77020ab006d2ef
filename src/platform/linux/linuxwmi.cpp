#include "platform/linux/linuxwmi.h"

#include <set>

#include "platform/linux/linuxdeviceidentity.h"
#include "support/stringutil.h"

namespace os {

namespace {

const std::vector<std::string> kDriveSuperclasses = {"CIM_MediaAccessDevice", "CIM_LogicalDevice"};

std::string ControllerClass(LinuxAttachment attachment) {
  return attachment == LinuxAttachment::kIde ? "Win32_IDEController" : "Win32_ScsiController";
}

// The PCI function of a unit's controller, empty when the component has no use for one.
std::string ControllerOf(const LinuxStorageUnit& unit) {
  if (unit.attachment == LinuxAttachment::kUsb || unit.blockKind == LinuxBlockKind::kLoop) return {};
  return unit.pciFunction;
}

void SetAddress(WmiRow& row, const LinuxStorageUnit& unit) {
  row.Set("SCSIPort", std::to_string(unit.port));
  row.Set("SCSIBus", std::to_string(unit.path));
  row.Set("SCSITargetId", std::to_string(unit.target));
  row.Set("SCSILogicalUnit", std::to_string(unit.lun));
}

WmiRow Named(const std::string& deviceId, const std::string& name) {
  WmiRow row;
  row.Set("DeviceID", deviceId);
  row.Set("Name", name);
  row.Set("Caption", name);
  return row;
}

std::string PnpClassOf(const LinuxStorageUnit& unit) {
  if (unit.usbFloppy) return "FloppyDisk";
  switch (unit.kind) {
    case LinuxStorageUnit::kCdrom:
      return "CDROM";
    case LinuxStorageUnit::kTape:
      return "TapeDrive";
    default:
      return "DiskDrive";
  }
}

// The drive's own class row, with the class name; DeviceID names it in associations.
std::pair<std::string, WmiRow> DriveRow(const LinuxStorageUnit& unit, const std::string& mountPoint) {
  const std::string instanceId = InstanceIdOf(unit);
  const std::string name = FriendlyNameOf(unit);
  if (unit.usbFloppy) return {"Win32_FloppyDrive", Named(instanceId, name)};
  if (unit.kind == LinuxStorageUnit::kTape) return {"Win32_TapeDrive", Named(instanceId, name)};
  if (unit.kind == LinuxStorageUnit::kCdrom) {
    WmiRow row = Named(instanceId, name);
    row.Set("PNPDeviceID", instanceId);
    if (!mountPoint.empty()) row.Set("Drive", mountPoint);
    SetAddress(row, unit);
    // The kernel sizes an optical drive by its medium: nothing loaded, no size.
    row.Set("MediaLoaded", unit.blocks > 0 ? "TRUE" : "FALSE");
    return {"Win32_CDROMDrive", std::move(row)};
  }
  const std::string deviceId = "\\\\.\\PHYSICALDRIVE" + std::to_string(unit.number);
  WmiRow row;
  row.Set("DeviceID", deviceId);
  row.Set("Name", deviceId);
  row.Set("Caption", name);
  row.Set("Model", name);
  row.Set("PNPDeviceID", instanceId);
  row.Set("InterfaceType", unit.attachment == LinuxAttachment::kUsb   ? "USB"
                           : unit.attachment == LinuxAttachment::kIde ? "IDE"
                                                                      : "SCSI");
  SetAddress(row, unit);
  row.Set("Size", std::to_string(unit.blocks * unit.blockSize));
  row.Set("BytesPerSector", std::to_string(unit.blockSize));
  if (!unit.serial.empty()) row.Set("SerialNumber", unit.serial);
  row.Set("MediaType", unit.removable ? "Removable Media" : "Fixed hard disk media");
  row.Set("Index", std::to_string(unit.number));
  return {"Win32_DiskDrive", std::move(row)};
}

}  // namespace

void FillWmiRepository(const LinuxStorageMap& map, const std::vector<LogicalDisk>& fixedDisks,
                       const std::vector<std::pair<std::string, std::string>>& mountPoints,
                       WmiRepository* repository) {
  // Controllers first, one per PCI function, of the class of the first port that needs it.
  std::set<std::string> controllers;
  for (const LinuxScsiHost& host : map.Hosts()) {
    if (host.attachment == LinuxAttachment::kUsb) continue;
    std::set<std::string> functions;
    if (host.attachment == LinuxAttachment::kOwnPort) {
      for (const LinuxStorageUnit& unit : map.Units())
        if (unit.port == host.number && !ControllerOf(unit).empty()) functions.insert(unit.pciFunction);
    } else if (!host.pciFunction.empty()) {
      functions.insert(host.pciFunction);
    }
    for (const std::string& function : functions) {
      if (!controllers.insert(function).second) continue;
      const std::string kind = host.attachment == LinuxAttachment::kIde ? "IDE" : "SCSI";
      repository->Add(ControllerClass(host.attachment),
                      Named(function, rb::StringPrintf("%s controller %s", kind.c_str(), function.c_str())),
                      {"CIM_Controller", "CIM_LogicalDevice"});
    }
    // An ATA port is one channel of its controller.
    if (host.attachment == LinuxAttachment::kIde && !host.pciFunction.empty()) {
      const std::string channel =
          rb::StringPrintf("PCIIDE\\IDECHANNEL\\4&%s&0&%u", host.pciFunction.c_str(), host.number);
      WmiRow row = Named(channel, "ATA Channel " + std::to_string(host.number));
      row.Set("PNPClass", "hdc");
      repository->Add("Win32_PnPEntity", std::move(row), {"CIM_LogicalDevice"});
      repository->Associate("Win32_IDEController", host.pciFunction, "Win32_PnPEntity", channel);
    }
  }

  for (const LinuxStorageUnit& unit : map.Units()) {
    if (unit.kind == LinuxStorageUnit::kOther && !unit.usbFloppy) continue;
    std::string mountPoint;
    for (const auto& [node, point] : mountPoints)
      if (node == unit.node) mountPoint = point;
    auto [className, row] = DriveRow(unit, mountPoint);
    const std::string driveId = row.Get("DeviceID");
    repository->Add(className, std::move(row), kDriveSuperclasses);

    const std::string instanceId = InstanceIdOf(unit);
    WmiRow entity = Named(instanceId, FriendlyNameOf(unit));
    entity.Set("PNPDeviceID", instanceId);
    entity.Set("PNPClass", PnpClassOf(unit));
    repository->Add("Win32_PnPEntity", std::move(entity), {"CIM_LogicalDevice"});
    repository->Associate(className, driveId, "Win32_PnPEntity", instanceId);
    const std::string controller = ControllerOf(unit);
    if (!controller.empty() && controllers.count(controller) != 0)
      repository->Associate("Win32_PnPEntity", instanceId, ControllerClass(unit.attachment), controller);
  }

  for (const LogicalDisk& disk : fixedDisks) {
    WmiRow row;
    row.Set("DeviceID", disk.deviceId);
    row.Set("DriveType", "3");
    row.Set("VolumeName", disk.volumeName);
    row.Set("FileSystem", disk.fileSystem);
    row.Set("Size", std::to_string(disk.size));
    row.Set("FreeSpace", std::to_string(disk.freeSpace));
    repository->Add("Win32_LogicalDisk", std::move(row), {"CIM_LogicalDisk", "CIM_LogicalDevice"});
  }
}

}  // namespace os
