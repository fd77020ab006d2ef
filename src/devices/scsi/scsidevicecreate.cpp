// ScsiDevice::Create: what a unit that a SCSI port lists becomes.

#include <cstring>
#include <exception>

#include "devices/enumeration/discoverycontext.h"
#include "devices/scsi/scsicontroller.h"
#include "devices/scsi/scsidevice.h"
#include "devices/scsi/scsidisk.h"
#include "devices/scsi/scsidriver.h"
#include "devices/scsi/usbdisk.h"
#include "devices/tape/scsitape.h"
#include "devices/tape/tapedevicefile.h"
#include "devices/tape/usbtape.h"
#include "framework/interface.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"

namespace rb {

namespace {

enum class DiskKind { kScsiDisk, kLogicalVolume, kUsbDisk, kUsbFloppy };

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

DiskKind Classify(const std::string& model, bool usbPort) {
  if (Contains(model, "USB F")) return DiskKind::kUsbFloppy;
  for (const char* adapterVolume : {"LOGICAL", "VOLUME", "Adaptec", "ADAPTEC", "LSILOGIC"})
    if (Contains(model, adapterVolume)) return DiskKind::kLogicalVolume;
  if (Contains(model, "USB D") || usbPort) return DiskKind::kUsbDisk;
  return DiskKind::kScsiDisk;
}

// On an adapter that speaks CSMI, the unit at target t is attached to phy t: its SAS address is where
// CSMI requests for it go.
void SetCsmiAddress(ScsiDevice& unit, const ScsiDevice* adapter, std::uint8_t target) {
  const auto* controller = dynamic_cast<const ScsiController*>(adapter);
  const win::CsmiSasPhyInfo* phys = controller != nullptr ? controller->PhyInfo() : nullptr;
  if (phys == nullptr || target >= phys->bNumberOfPhys || target >= win::kCsmiMaxPhys) return;
  const win::CsmiSasPhyEntity& phy = phys->Phy[target];
  CsmiAddress& address = unit.Record().csmiPhyCopy;
  std::memcpy(address.sasAddress.data(), phy.Attached.bSASAddress, 8);
  address.phyIdentifier = phy.Identify.bPhyIdentifier;
}

// A disk of the kind, named after it, that takes over what the probe read.
std::unique_ptr<ScsiDevice> MakeDisk(DiskKind kind, const ScsiDisk& probe, const ScsiDriver& port, std::uint8_t path,
                                     std::uint8_t target, std::uint8_t lun, bool sata, bool sas) {
  std::unique_ptr<ScsiBlockDevice> device;
  switch (kind) {
    case DiskKind::kUsbFloppy:
      device = std::make_unique<USBFloppy>("usbFloppy", true, nullptr, path, target, lun);
      break;
    case DiskKind::kUsbDisk:
      device = std::make_unique<USBDisk>("usbDisk", true, nullptr, path, target, lun);
      break;
    case DiskKind::kLogicalVolume:
    case DiskKind::kScsiDisk: {
      const char* name = sata ? "sataDisk" : sas ? "sasDisk" : "scsiDisk";
      auto disk = std::make_unique<ScsiDisk>(name, true, nullptr, path, target, lun);
      disk->SetSata(sata);
      disk->SetSas(sas);
      disk->SetElementClass(name);
      if (kind == DiskKind::kLogicalVolume) disk->SetDescription("Logical Volume");
      device = std::move(disk);
      break;
    }
  }
  device->Record() = probe.Record();
  device->OwnDriver(CloneCopy(port));
  return device;
}

// A tape drive, numbered in its kind, with the system's device that drives it. One on a USB port is
// reached through that device, whose eject request unloads it.
std::unique_ptr<ScsiDevice> MakeTape(DiscoveryContext& context, ScsiDisk& probe, const ScsiDriver& port,
                                     std::uint8_t path, std::uint8_t target, std::uint8_t lun, bool usbPort) {
  const std::int32_t number = context.NextDriveNumber(DiscoveryContext::DriveKind::kTape);
  std::string deviceFile = TapeDeviceFile(context, port.Port().portNumber, path, target, lun, number);
  std::unique_ptr<ScsiDevice> made;
  if (usbPort) {
    auto tape = std::make_unique<UsbTape>("usbTape", true, nullptr, path, target, lun);
    tape->SetTapeNumber(number);
    tape->SetDeviceFile(deviceFile);
    tape->OwnDriver(std::make_unique<ScsiDriver>(deviceFile));
    made = std::move(tape);
  } else {
    const char* name = probe.IsSASDrive() ? "sasTape" : "scsiTape";
    auto tape = std::make_unique<ScsiTape>(name, true, nullptr, path, target, lun);
    tape->SetElementClass(name);
    tape->SetTapeNumber(number);
    tape->SetDeviceFile(std::move(deviceFile));
    tape->OwnDriver(CloneCopy(port));
    made = std::move(tape);
  }
  made->Record() = probe.Record();
  made->SetDriveNumber(number);
  return made;
}

}  // namespace

std::unique_ptr<ScsiDevice> ScsiDevice::Create(DiscoveryContext& context, const ScsiDriver& port,
                                               const std::shared_ptr<ScsiDevice>& adapter, std::uint8_t path,
                                               std::uint8_t target, std::uint8_t lun, bool usbPort) {
  std::unique_ptr<ScsiDevice> made;
  try {
    // The probe asks the unit what it is before a device of the right class is named.
    ScsiDisk probe("probe", false, nullptr, path, target, lun);
    probe.OwnDriver(CloneCopy(port));
    if (adapter != nullptr) probe.SetParentAdapter(adapter.get());
    SetCsmiAddress(probe, adapter.get(), target);
    const bool answered = probe.Inquiry() == kScsiGood;
    const std::uint8_t type = answered ? probe.GetDeviceType() : 0;
    DebugPrint("\nHello from ScsiDevice::Create() Going to Look for dev type 0x%02x", type);
    if (type == 1) {
      DebugPrint(" is a TAPE drive\n");
      made = MakeTape(context, probe, port, path, target, lun, usbPort);
    } else if (type == 3) {
      DebugPrint(" is a processer (backplane)\n");
    } else if (type != 0) {
      DebugPrint(" is a  devtype not supported by this code!!!!!!!!\n");
    } else {
      const std::string model = probe.ModelText();
      DebugPrint(" Model=%s", model.c_str());
      if (answered && probe.Record().inquiry[2] == 0) {
        DebugPrint("\nDOES NOT COMPLY WITH ANY SCSI SPEC!!! Assuming is NOT a SCSI DISK\n");
      } else {
        const DiskKind kind = Classify(model, usbPort);
        // A SATA drive answers through a SCSI-to-ATA translation, which names the vendor "ATA".
        // A drive that only answers ATA IDENTIFY over STP is a SATA drive too.
        const bool sata = answered ? model.rfind("ATA ", 0) == 0 : !model.empty();
        const bool sas = !sata && kind == DiskKind::kScsiDisk && probe.IsSASDrive();
        static constexpr const char* kTraces[] = {" is a SCSI Disk\n", " is a logical volume of an adapter\n",
                                                  " is a USB Disk\n", " is a USB Floppy\n"};
        DebugPrint("%s", kTraces[static_cast<int>(kind)]);
        made = MakeDisk(kind, probe, port, path, target, lun, sata, sas);
        if (kind == DiskKind::kUsbFloppy)
          made->SetDriveNumber(context.NextDriveNumber(DiscoveryContext::DriveKind::kUsbFloppy));
        else if (kind == DiskKind::kUsbDisk)
          made->SetDriveNumber(context.NextDriveNumber(DiscoveryContext::DriveKind::kUsbDisk));
        else if (kind == DiskKind::kScsiDisk)
          made->SetDriveNumber(context.NextDriveNumber(DiscoveryContext::DriveKind::kScsiDisk));
      }
    }
  } catch (const std::exception& error) {
    DebugPrint("ScsiDevice::Create() caught: %s\n", error.what());
    made = nullptr;
  }
  if (made == nullptr) {
    DebugPrint("Bye from ScsiDevice::Create(), did not Create the class!!!!!!!\n");
    return nullptr;
  }
  if (adapter != nullptr) {
    made->SetParentAdapter(adapter);
    made->AddInterface(Interface(adapter->Name(), "Single Physical Disk Drive", "Physical Drive", 0));
  }
  DebugPrint("Bye from ScsiDevice::Create(), setting drivenumber=%d\n", made->DriveNumber());
  DebugPrint(" drivenumber: %d\n", made->DriveNumber());
  return made;
}

}  // namespace rb
