#pragma once

#include <memory>
#include <string>

#include "support/xmlobject.h"

namespace rb {

class DiscoveryContext;
class StorageTestComponent;

// One run of device discovery (the id command): it empties the component's device set, drops the
// diagnosis results of the previous run, asks each device family in turn to add its devices to the set
// and to the idResult document, adds the operating system's fixed volumes and removes the devices that
// two families both found. A family can be switched off in diagconfig.xml with the attribute
// <family>_Disable="1" on the component's tc element.
//
// Each family's step is a virtual operation here; a family that is not built finds nothing.
class DiscoveryRun {
 public:
  explicit DiscoveryRun(StorageTestComponent& component);
  virtual ~DiscoveryRun();
  DiscoveryRun(const DiscoveryRun&) = delete;
  DiscoveryRun& operator=(const DiscoveryRun&) = delete;

  // The idResult document of the run. Errors of a family step end the run, except those of the four
  // SCSI passes, each of which is traced and followed by the next.
  XmlObject Run();

  // The SATA family's step; not part of the run.
  void RunSataStep(XmlObject& idResult);

 protected:
  // "IDE": the host enumeration in its order: a controller for each SCSI port of the device map, the
  // ATA controllers, the device installer's diskette, disk, tape and optical drives, the SATA disks.
  virtual void IdentifyIde(XmlObject& idResult);
  // "ARRAYS": array controllers, then the arrays, volumes, disks and enclosures behind them.
  virtual void IdentifyArrays(XmlObject& idResult);
  // "SCSI", four passes: the PCI SCSI controllers, the devices of the SCSI ports, USB SCSI devices and
  // the controllers' catalog pass.
  virtual void IdentifyAllPciScsiControllers(XmlObject& idResult);
  virtual void IdentifyScsiDevices(XmlObject& idResult);
  virtual void IdentifyUsbScsiDevices(XmlObject& idResult);
  virtual void DoScsiDeviceCatalog(XmlObject& idResult);
  // "FIBRE": fibre-channel adapters.
  virtual void IdentifyFibre(XmlObject& idResult);
  // "USB": USB storage devices.
  virtual void IdentifyUsb(XmlObject& idResult);
  // "SATA": SATA controllers and drives.
  virtual void IdentifySata(XmlObject& idResult);

  StorageTestComponent& component_;
  // What the run knows while it runs (null outside Run).
  std::unique_ptr<DiscoveryContext> context_;

 private:
  // True when diagconfig.xml switches the family off (traced).
  static bool FamilyDisabled(const char* family);
  void RunScsiSteps(XmlObject& idResult);
};

// Of two device children of idResult with the same non-empty bus and device attributes, the one of
// class "ScsiController" goes (the first of the two when both are).
void RemoveDuplicateDevices(XmlObject& idResult);

}  // namespace rb
