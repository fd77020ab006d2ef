#include "component/discoveryrun.h"

#include <exception>
#include <utility>
#include <vector>

#include "component/fixedvolumes.h"
#include "component/storagetestcomponent.h"
#include "controllers/arraycontrollerdiscovery.h"
#include "controllers/bmicdevice.h"
#include "devices/ata/atacontrollerdiscovery.h"
#include "devices/enumeration/discoverycontext.h"
#include "devices/enumeration/scsiidentify.h"
#include "devices/enumeration/setupapi.h"
#include "devices/fibre/fibreadapterdiscovery.h"
#include "support/debug.h"
#include "support/runenvironment.h"

namespace rb {

DiscoveryRun::DiscoveryRun(StorageTestComponent& component) : component_(component) {}

DiscoveryRun::~DiscoveryRun() = default;

XmlObject DiscoveryRun::Run() {
  component_.ClearDevices();
  XmlObject emptyResults;
  emptyResults.SetName("DiskDiagnosisResult");
  if (!emptyResults.SaveToFile("ddResult.xml", false)) DebugPrint("Cannot write ddResult.xml\n");

  XmlObject idResult;
  idResult.SetName("idResult");
  context_ = std::make_unique<DiscoveryContext>(component_, idResult, component_.PciSummary());
  struct EndOfRun {
    std::unique_ptr<DiscoveryContext>& context;
    ~EndOfRun() { context.reset(); }
  } endOfRun{context_};
  if (!FamilyDisabled("IDE")) IdentifyIde(idResult);
  if (!FamilyDisabled("ARRAYS")) IdentifyArrays(idResult);
  if (!FamilyDisabled("SCSI")) RunScsiSteps(idResult);
  if (!FamilyDisabled("FIBRE")) IdentifyFibre(idResult);
  if (!FamilyDisabled("USB")) IdentifyUsb(idResult);
  // The fixed volumes of a running operating system; the factory line and the boot media have none
  // worth showing.
  if (!IsFactory() && !IsSparrow() && !IsDiagsCD()) idResult.AddChild(DescribeFixedVolumes());
  RemoveDuplicateDevices(idResult);
  return idResult;
}

void DiscoveryRun::RunSataStep(XmlObject& idResult) {
  if (!FamilyDisabled("SATA")) IdentifySata(idResult);
}

bool DiscoveryRun::FamilyDisabled(const char* family) {
  const std::string path = std::string("tc[@#name='ravelbank']/@") + family + "_Disable";
  if (ConfigurationValue(path) != "1") return false;
  DebugPrint("%s Disabled.\n", family);
  return true;
}

void DiscoveryRun::RunScsiSteps(XmlObject& idResult) {
  using Step = void (DiscoveryRun::*)(XmlObject&);
  const struct {
    Step step;
    const char* name;
  } passes[] = {
      {&DiscoveryRun::IdentifyAllPciScsiControllers, "ScsiController::IdentifyAllPci()"},
      {&DiscoveryRun::IdentifyScsiDevices, "ScsiIdentify::IdentifyAll()"},
      {&DiscoveryRun::IdentifyUsbScsiDevices, "ScsiIdentify::IdentifyUSB()"},
      {&DiscoveryRun::DoScsiDeviceCatalog, "ScsiController::DoDeviceCatalog()"},
  };
  for (const auto& pass : passes) {
    try {
      (this->*pass.step)(idResult);
    } catch (...) {
      // One pass that fails must not hide what the others find.
      DebugPrint("Caught error while running %s\n", pass.name);
    }
  }
}

void DiscoveryRun::IdentifyIde(XmlObject&) {
  try {
    ScsiIdentify(*context_).IdentifyDeviceMapPorts();
  } catch (const std::exception&) {
    DebugPrint("Caught error while running ScsiIdentify::IdentifyAll()\n");
  }
  // The ATA family's controller passes; their drives come from the device installer's classes.
  SataControllerDiscovery sata(*context_);
  IdeRaidControllerDiscovery ideRaid(*context_);
  IdeLegacyControllerDiscovery ideLegacy(*context_);
  const std::pair<const char*, AtaControllerDiscovery*> passes[] = {{"SATA Controllers", &sata},
                                                                    {"ATA Raid Controllers", &ideRaid},
                                                                    {"IDE Legacy Controllers", &ideLegacy}};
  for (const auto& [controllers, discovery] : passes) {
    DebugPrint("\n       Identifying %s\n", controllers);
    discovery->Walk();
    DebugPrint("\nFinished Identifying %s\n", controllers);
  }
  SetupAPI setup(*context_);
  setup.IdentifyDisketteDrives();
  setup.IdentifyIdeHardDrives();
  setup.IdentifyTapeDrives();
  setup.IdentifyOpticalDrives();
  DebugPrint("\n       Identifying SATA Hard Drives\n");
  SataControllerDiscovery::IdentifyDisks(*context_);
  DebugPrint("\nFinished Identifying SATA Hard Drives\n");
  // A controller's element lists the drives found on it.
  for (const auto& controller : context_->AtaControllers()) context_->Describe(*controller);
  // The component keeps the ports' addresses with its state.
  std::vector<std::uint64_t> addresses;
  for (const PortAddressCache::Port& port : context_->Ports().Ports())
    if (port.hasIoAddress) addresses.push_back(std::uint64_t{port.number} << 32 | port.ioAddress);
  component_.SetScsiPortAddresses(std::move(addresses));
}

void DiscoveryRun::IdentifyArrays(XmlObject&) {
  for (const std::shared_ptr<BmicDevice>& controller : IdentifyArrayControllers(*context_))
    component_.AddArrayController(controller.get());
}

void DiscoveryRun::IdentifyAllPciScsiControllers(XmlObject&) {
  ScsiIdentify(*context_).IdentifyAllPci();
}

void DiscoveryRun::IdentifyScsiDevices(XmlObject&) {
  ScsiIdentify(*context_).IdentifyAll();
}

void DiscoveryRun::IdentifyUsbScsiDevices(XmlObject&) {
  ScsiIdentify(*context_).IdentifyUsb();
}

void DiscoveryRun::DoScsiDeviceCatalog(XmlObject&) {
  ScsiIdentify(*context_).DoDeviceCatalog();
}
void DiscoveryRun::IdentifyFibre(XmlObject& idResult) {
  IdentifyFibreAdapters(idResult, *context_);
}
void DiscoveryRun::IdentifyUsb(XmlObject&) {}
void DiscoveryRun::IdentifySata(XmlObject&) {}

void RemoveDuplicateDevices(XmlObject& idResult) {
  std::vector<XmlObject>& children = idResult.Children();
  std::vector<bool> removed(children.size(), false);
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (removed[i] || children[i].Name() != "device") continue;
    const std::string bus = children[i].GetAttribute("bus", "");
    const std::string device = children[i].GetAttribute("device", "");
    if (bus.empty() || device.empty()) continue;
    for (std::size_t j = i + 1; j < children.size() && !removed[i]; ++j) {
      if (removed[j] || children[j].Name() != "device") continue;
      if (children[j].GetAttribute("bus", "") != bus || children[j].GetAttribute("device", "") != device)
        continue;
      if (children[i].GetAttribute("class", "") == "ScsiController") {
        removed[i] = true;
      } else if (children[j].GetAttribute("class", "") == "ScsiController") {
        removed[j] = true;
      }
    }
  }
  std::vector<XmlObject> kept;
  for (std::size_t i = 0; i < children.size(); ++i)
    if (!removed[i]) kept.push_back(std::move(children[i]));
  idResult.RemoveChildren();
  for (XmlObject& child : kept) idResult.AddChild(std::move(child));
}

}  // namespace rb
