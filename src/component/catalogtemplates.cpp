#include "component/catalogtemplates.h"

#include "controllers/cissdevice.h"
#include "devices/ata/idecdrom.h"
#include "devices/ata/idedisk.h"
#include "devices/ata/idefloppy.h"
#include "devices/ata/idezipdrive.h"
#include "devices/fibre/winfibreadapter.h"
#include "devices/scsi/scsicdrom.h"
#include "devices/scsi/scsidisk.h"
#include "devices/scsi/usbdisk.h"
#include "devices/tape/scsitape.h"
#include "devices/tape/usbtape.h"
#include "framework/device.h"
#include "support/catalog.h"

namespace rb {

namespace {

// Template devices reach no hardware: no driver, no adapter. Their element class is the template's.
template <class T>
std::unique_ptr<Device> MakeScsiTemplate(const std::string& name) {
  auto device = std::make_unique<T>(name, true, nullptr, 0, 0, 0);
  device->SetElementClass(name);
  return device;
}

std::unique_ptr<Device> MakeSataDiskTemplate(const std::string& name) {
  auto disk = std::make_unique<ScsiDisk>(name, true, nullptr, 0, 0, 0);
  disk->SetSata(true);
  disk->SetElementClass(name);
  disk->SetDescription("SATA Hard Disk");
  return disk;
}

std::unique_ptr<Device> MakeSasDiskTemplate(const std::string& name) {
  auto disk = std::make_unique<ScsiDisk>(name, true, nullptr, 0, 0, 0);
  disk->SetElementClass(name);
  disk->SetDescription("SAS Hard Drive");
  return disk;
}

std::unique_ptr<Device> MakeFibreAdapterTemplate(const std::string& name) {
  auto adapter = std::make_unique<WinFibreAdapter>(name, true);
  adapter->SetDescription("Fibre Channel Controller");
  return adapter;
}

// The controller family's entry offers every test a CISS controller can have.
std::unique_ptr<Device> MakeCissTemplate(const std::string& name) {
  auto controller = std::make_unique<CissDevice>(name, true, 0);
  controller->SetElementClass(name);
  return controller;
}

std::unique_ptr<Device> MakeOpticalTemplate(const std::string& name) {
  return std::make_unique<ScsiCdrom>(name, true, "", 0, 0, 0, 0, name == "usbCdrom");
}

// ATA templates have no device path: nothing is opened.
template <class T>
std::unique_ptr<Device> MakeAtaTemplate(const std::string& name) {
  auto device = std::make_unique<T>(name, true, "");
  device->SetElementClass(name);
  return device;
}

}  // namespace

const std::vector<CatalogTemplate>& CatalogTemplates() {
  using C = CatalogTemplate::Caption;
  // Each family sets its maker when it joins the component.
  static const std::vector<CatalogTemplate> templates = {
      {"FibreChannelController", "Fibre Channel Controller", C::kGiven, &MakeFibreAdapterTemplate},
      {"CISS", "CISS controller", C::kGiven, &MakeCissTemplate},
      {"cissBackPlane", "SCSI Backplane Processor", C::kGiven, nullptr},
      {"scsiDisk", "SCSI Hard Drive", C::kGiven, &MakeScsiTemplate<ScsiDisk>},
      {"sataDisk", "SATA Hard Disk", C::kGiven, &MakeSataDiskTemplate},
      {"sasDisk", "SAS Hard Drive", C::kGiven, &MakeSasDiskTemplate},
      {"scsiTape", nullptr, C::kOwn, &MakeScsiTemplate<ScsiTape>},
      {"sasTape", nullptr, C::kOwn, &MakeScsiTemplate<ScsiTape>},
      {"backPlane", nullptr, C::kOwn, nullptr},
      {"logicalVolume", nullptr, C::kOwnTranslated, nullptr},
      {"cdrom", "Optical Drive", C::kGiven, &MakeOpticalTemplate},
      {"usbCdrom", "Optical Drive", C::kGiven, &MakeOpticalTemplate},
      {"ideDisk", "IDE Hard Disk", C::kGiven, &MakeAtaTemplate<IdeDisk>},
      {"Diskette", "Diskette Drive", C::kGiven, &MakeAtaTemplate<IdeFloppy>},
      {"IdeZipDrive", "IDE Zip Drive", C::kGiven, &MakeAtaTemplate<IdeZipDrive>},
      {"usbFloppy", "Diskette Drive", C::kGiven, &MakeScsiTemplate<USBFloppy>},
      {"usbTape", "USB Tape Drive", C::kGiven, &MakeScsiTemplate<UsbTape>},
  };
  return templates;
}

XmlObject BuildCatalogDocument(const std::vector<CatalogTemplate>& templates) {
  XmlObject catalog;
  catalog.SetName("catResult");
  for (const CatalogTemplate& entry : templates) {
    if (entry.make == nullptr) continue;
    const std::unique_ptr<Device> device = entry.make(entry.name);
    switch (entry.captionRule) {
      case CatalogTemplate::Caption::kGiven:
        device->SetCaption(Translate(entry.caption));
        break;
      case CatalogTemplate::Caption::kOwnTranslated:
        device->SetCaption(Translate(device->Caption()));
        break;
      case CatalogTemplate::Caption::kOwn:
        break;
    }
    XmlObject described;
    device->Describe(described, true);
    catalog.AddChild(std::move(described));
  }
  return catalog;
}

}  // namespace rb
