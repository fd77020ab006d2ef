#include "platform/sim/simmanagementview.h"

#include <algorithm>
#include <map>
#include <string>

#include "platform/sim/scsi/simmmcdrive.h"
#include "platform/sim/scsi/simsbcdisk.h"
#include "platform/sim/scsi/simscsiport.h"
#include "support/stringutil.h"

namespace os {

namespace {

const std::vector<std::string> kLogicalDevice = {"CIM_LogicalDevice", "CIM_LogicalElement",
                                                 "CIM_ManagedSystemElement"};

// The superclasses of a class: its own nearest ones, then those of every logical device.
std::vector<std::string> Superclasses(std::vector<std::string> nearest) {
  nearest.insert(nearest.end(), kLogicalDevice.begin(), kLogicalDevice.end());
  return nearest;
}

struct DriveClass {
  const char* className;
  const char* cimClass;
  const char* pnpClass;
};

// By SimOsDevice::Kind.
constexpr DriveClass kDriveClasses[] = {
    {"Win32_DiskDrive", "CIM_DiskDrive", "DiskDrive"},
    {"Win32_CDROMDrive", "CIM_CDROMDrive", "CDROM"},
    {"Win32_TapeDrive", "CIM_TapeDrive", "TapeDrive"},
    {"Win32_FloppyDrive", "CIM_DisketteDrive", "FloppyDisk"},
};

std::string ControllerClass(const SimScsiPort& port) {
  if (port.Ide()) return "IDEController";
  return port.Usb() ? "USBController" : "SCSIController";
}

void SetAddress(WmiRow& row, const SimOsDevice& drive) {
  row.Set("SCSIPort", std::to_string(drive.port->Number()));
  row.Set("SCSIBus", std::to_string(drive.unit->Path()));
  row.Set("SCSITargetId", std::to_string(drive.unit->Target()));
  row.Set("SCSILogicalUnit", std::to_string(drive.unit->Lun()));
}

// The drive's own instance: a disk is named by its drive path, the others by their instance identifier.
WmiRow DriveRow(const SimOsDevice& drive, char letter) {
  const std::string name = drive.FriendlyName();
  WmiRow row;
  row.Set("DeviceID", drive.kind == SimOsDevice::kDisk
                          ? rb::StringPrintf("\\\\.\\PHYSICALDRIVE%u", drive.number)
                          : drive.InstanceId());
  row.Set("PNPDeviceID", drive.InstanceId());
  row.Set("Name", drive.kind == SimOsDevice::kDisk ? row.Get("DeviceID") : name);
  row.Set("Caption", name);
  if (drive.kind == SimOsDevice::kDisk) {
    const auto* disk = dynamic_cast<const SimSbcDisk*>(drive.unit);
    row.Set("Model", name);
    row.Set("Index", std::to_string(drive.number));
    row.Set("InterfaceType", drive.port->Usb() ? "USB" : drive.port->Ide() ? "IDE" : "SCSI");
    SetAddress(row, drive);
    row.Set("Size", std::to_string(disk->Blocks() * disk->BlockSize()));
    row.Set("BytesPerSector", std::to_string(disk->BlockSize()));
    row.Set("SerialNumber", drive.unit->Serial());
    row.Set("MediaType", disk->Removable() ? "Removable Media" : "Fixed hard disk media");
  } else if (drive.kind == SimOsDevice::kCdRom) {
    row.Set("Drive", std::string(1, letter) + ":");
    SetAddress(row, drive);
    row.Set("MediaLoaded", static_cast<const SimMmcDrive*>(drive.unit)->HasMedium() ? "TRUE" : "FALSE");
  }
  return row;
}

}  // namespace

WmiRepository SimManagementView(const std::vector<std::shared_ptr<SimScsiPort>>& ports,
                                const std::vector<SimOsDevice>& drives,
                                const std::vector<LogicalDisk>& volumes) {
  WmiRepository view;
  // The channels counted so far on each controller; two ports (the channels of an IDE controller) may
  // share one function.
  std::map<std::string, std::size_t> controllers;
  for (const auto& port : ports) {
    if (!port->Controller()) continue;
    const PciFunction& function = *port->Controller();
    const std::string className = "Win32_" + ControllerClass(*port);
    const auto [counted, added] = controllers.emplace(function.osDeviceId, 0);
    if (added) {
      const std::string name = !function.description.empty() ? function.description
                               : port->Ide()                 ? "Standard IDE Controller"
                               : port->Usb()                 ? "USB Host Controller"
                                                             : "SCSI Controller";
      view.Add(className,
               {{{"DeviceID", function.osDeviceId},
                 {"PNPDeviceID", function.osDeviceId},
                 {"Name", name},
                 {"Caption", name}}},
               Superclasses({"CIM_" + ControllerClass(*port), "CIM_Controller"}));
    }
    if (!port->Ide()) continue;
    const std::size_t number = counted->second++;
    const std::string channel = rb::StringPrintf("PCIIDE\\IDECHANNEL\\4&%X%02X%X&0&", function.bus,
                                                 function.device, function.function) +
                                std::to_string(number);
    const std::string name = "ATA Channel " + std::to_string(number);
    view.Add("Win32_PnPEntity",
             {{{"DeviceID", channel},
               {"PNPDeviceID", channel},
               {"Name", name},
               {"Caption", name},
               {"PNPClass", "hdc"}}},
             kLogicalDevice);
    view.Associate("Win32_PnPEntity", channel, className, function.osDeviceId);
  }

  // Optical drives take the letters the fixed volumes leave, from D: on (the last ones share Z:).
  const auto taken = [&](char c) {
    return std::any_of(volumes.begin(), volumes.end(), [&](const LogicalDisk& volume) {
      return rb::EqualsNoCase(volume.deviceId, std::string(1, c) + ":");
    });
  };
  char letter = 'C';
  const auto nextLetter = [&] {
    while (letter < 'Z' && taken(++letter)) {
    }
    return letter;
  };
  for (const SimOsDevice& drive : drives) {
    const DriveClass& kind = kDriveClasses[drive.kind];
    WmiRow row = DriveRow(drive, drive.kind == SimOsDevice::kCdRom ? nextLetter() : 0);
    const std::string deviceId = row.Get("DeviceID");
    view.Add(kind.className, std::move(row), Superclasses({kind.cimClass, "CIM_MediaAccessDevice"}));
    const std::string entity = drive.InstanceId();
    view.Add("Win32_PnPEntity",
             {{{"DeviceID", entity},
               {"PNPDeviceID", entity},
               {"Name", drive.FriendlyName()},
               {"Caption", drive.FriendlyName()},
               {"PNPClass", kind.pnpClass}}},
             kLogicalDevice);
    view.Associate(kind.className, deviceId, "Win32_PnPEntity", entity);
    if (drive.port->Controller())
      view.Associate("Win32_PnPEntity", entity, "Win32_" + ControllerClass(*drive.port),
                     drive.port->Controller()->osDeviceId);
  }

  for (const LogicalDisk& volume : volumes) {
    view.Add("Win32_LogicalDisk",
             {{{"DeviceID", volume.deviceId},
               {"Name", volume.deviceId},
               {"VolumeName", volume.volumeName},
               {"FileSystem", volume.fileSystem},
               {"Size", std::to_string(volume.size)},
               {"FreeSpace", std::to_string(volume.freeSpace)},
               {"DriveType", "3"}}},
             Superclasses({"CIM_LogicalDisk", "CIM_StorageExtent"}));
  }
  return view;
}

}  // namespace os
