#include "component/catalogtemplates.h"

#include "framework/device.h"
#include "support/catalog.h"

namespace rb {

const std::vector<CatalogTemplate>& CatalogTemplates() {
  using C = CatalogTemplate::Caption;
  // Each family sets its maker when it joins the component.
  static const std::vector<CatalogTemplate> templates = {
      {"FibreChannelController", "Fibre Channel Controller", C::kGiven, nullptr},
      {"CISS", "CISS controller", C::kGiven, nullptr},
      {"cissBackPlane", "SCSI Backplane Processor", C::kGiven, nullptr},
      {"scsiDisk", "SCSI Hard Drive", C::kGiven, nullptr},
      {"sataDisk", "SATA Hard Disk", C::kGiven, nullptr},
      {"sasDisk", "SAS Hard Drive", C::kGiven, nullptr},
      {"scsiTape", nullptr, C::kOwn, nullptr},
      {"sasTape", nullptr, C::kOwn, nullptr},
      {"backPlane", nullptr, C::kOwn, nullptr},
      {"logicalVolume", nullptr, C::kOwnTranslated, nullptr},
      {"cdrom", "Optical Drive", C::kGiven, nullptr},
      {"usbCdrom", "Optical Drive", C::kGiven, nullptr},
      {"ideDisk", "IDE Hard Disk", C::kGiven, nullptr},
      {"Diskette", "Diskette Drive", C::kGiven, nullptr},
      {"IdeZipDrive", "IDE Zip Drive", C::kGiven, nullptr},
      {"usbFloppy", "Diskette Drive", C::kGiven, nullptr},
      {"usbTape", "USB Tape Drive", C::kGiven, nullptr},
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
