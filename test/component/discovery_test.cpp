// Device discovery and the catalog: the family steps in their order with their diagconfig.xml switches,
// a SCSI pass that fails without hiding the others, the fixed volumes of the machine, the duplicates two
// families both report, and the template devices of the catalog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "component/catalogtemplates.h"
#include "component/componentinstance.h"
#include "component/discoveryrun.h"
#include "component/storagetestcomponent.h"
#include "framework/testdoubles.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "ravelbank/host.h"
#include "support/oruerror.h"
#include "support/runenvironment.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::RecordingDevice;

// Each step notes its name; IDE and USB SCSI find a device each, and the fixture may make a step fail.
class ScriptedDiscovery : public DiscoveryRun {
 public:
  using DiscoveryRun::DiscoveryRun;

  std::vector<std::string> steps;
  std::string failing;

 protected:
  void IdentifyIde(XmlObject& idResult) override { Step("IDE", idResult, "ideDisk0"); }
  void IdentifyArrays(XmlObject& idResult) override { Step("ARRAYS", idResult); }
  void IdentifyAllPciScsiControllers(XmlObject& idResult) override { Step("PCI", idResult); }
  void IdentifyScsiDevices(XmlObject& idResult) override { Step("SCSI", idResult); }
  void IdentifyUsbScsiDevices(XmlObject& idResult) override { Step("USBSCSI", idResult, "usbDisk0"); }
  void DoScsiDeviceCatalog(XmlObject& idResult) override { Step("CATALOG", idResult); }
  void IdentifyFibre(XmlObject& idResult) override { Step("FIBRE", idResult); }
  void IdentifyUsb(XmlObject& idResult) override { Step("USB", idResult); }

 private:
  void Step(const std::string& name, XmlObject& idResult, const char* device = nullptr) {
    steps.push_back(name);
    if (name == failing) throw OruError("Device failure", name);
    if (device == nullptr) return;
    auto found = std::make_unique<RecordingDevice>(device, /*makeUnique=*/true);
    XmlObject element;
    found->Describe(element, false);
    idResult.AddChild(std::move(element));
    component_.AddDevice(std::move(found));
  }
};

std::vector<std::string> DeviceNames(const XmlObject& idResult) {
  std::vector<std::string> names;
  for (const XmlObject& child : idResult.Children())
    names.push_back(child.Name() == "device" ? child.GetAttribute("name") : child.Name());
  return names;
}

// A scratch current directory, a simulated machine with two fixed volumes, the trace recorded, and a
// component as the process's instance.
class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    ForgetRunEnvironmentForTesting();
    machine_ = std::make_unique<os::SimPlatform>(dir_.Write(
        "machine.xml",
        "<machine><logicalDisks><disk id='C:' label='System' fileSystem='NTFS' size='1000' freeSpace='400'/>"
        "<disk id='E:' size='10' freeSpace='1'/></logicalDisks></machine>"));
    auto recording = std::make_unique<rbtest::RecordingPlatform>(*machine_);
    trace_ = recording.get();
    installed_ = std::make_unique<rbtest::InstalledPlatform>(std::move(recording));
    component_.SetCallback(&rbtest::HostEvents::Record);
    SetComponentInstance(&component_);
  }
  void TearDown() override {
    SetComponentInstance(nullptr);
    component_.ClearDevices();
    installed_.reset();
    ::unsetenv("VORTEXA_CD");
    std::filesystem::current_path(previous_);
    ForgetRunEnvironmentForTesting();
  }
  void Configure(const std::string& diagconfig) {
    dir_.Write("diagconfig.xml", diagconfig);
    ForgetRunEnvironmentForTesting();
  }
  bool Traced(const std::string& line) const {
    for (const std::string& text : trace_->Output())
      if (text == line) return true;
    return false;
  }

  rbtest::ScratchDir dir_;
  std::filesystem::path previous_;
  std::unique_ptr<os::SimPlatform> machine_;
  rbtest::RecordingPlatform* trace_ = nullptr;
  std::unique_ptr<rbtest::InstalledPlatform> installed_;
  StorageTestComponent component_;
};

TEST_F(Discovery, FamiliesRunInOrderUnlessSwitchedOff) {
  const std::vector<std::string> all{"IDE", "ARRAYS", "PCI", "SCSI", "USBSCSI", "CATALOG", "FIBRE", "USB"};
  const struct {
    const char* diagconfig;
    std::vector<std::string> steps;
    const char* trace;
  } cases[] = {
      {"<diagconfig/>", all, nullptr},
      {"<diagconfig><tc name='ravelbank.dll' IDE_Disable='1'/></diagconfig>",
       {"ARRAYS", "PCI", "SCSI", "USBSCSI", "CATALOG", "FIBRE", "USB"}, "IDE Disabled.\n"},
      {"<diagconfig><tc name='RAVELBANK' SCSI_Disable='1' USB_Disable='1'/></diagconfig>",
       {"IDE", "ARRAYS", "FIBRE"}, "SCSI Disabled.\n"},
      {"<diagconfig><tc name='ravelbank' ARRAYS_Disable='yes' FIBRE_Disable='0'/></diagconfig>", all, nullptr},
      {"<diagconfig><tc name='othercomponent' IDE_Disable='1'/></diagconfig>", all, nullptr},
  };
  for (const auto& c : cases) {
    Configure(c.diagconfig);
    ScriptedDiscovery run(component_);
    run.Run();
    EXPECT_EQ(run.steps, c.steps) << c.diagconfig;
    if (c.trace != nullptr) {
      EXPECT_TRUE(Traced(c.trace)) << c.diagconfig;
    }
  }
}

TEST_F(Discovery, AFailingScsiPassIsTracedAndTheOthersRun) {
  ScriptedDiscovery run(component_);
  run.failing = "SCSI";
  const XmlObject idResult = run.Run();
  EXPECT_EQ(run.steps.size(), 8u);
  EXPECT_TRUE(Traced("Caught error while running ScsiIdentify::IdentifyAll()\n"));
  EXPECT_EQ(DeviceNames(idResult), (std::vector<std::string>{"ideDisk0", "usbDisk0", "logicalDisks"}));

  // Other families are not guarded: their error ends the run.
  ScriptedDiscovery broken(component_);
  broken.failing = "FIBRE";
  EXPECT_THROW(broken.Run(), OruError);
  EXPECT_EQ(broken.steps.back(), "FIBRE");
}

TEST_F(Discovery, EachRunStartsAfreshWithTheSameNamesAndEmptyDiagnosisResults) {
  dir_.Write("ddResult.xml", "<DiskDiagnosisResult><drive serial='old'/></DiskDiagnosisResult>");
  ScriptedDiscovery first(component_);
  const XmlObject firstResult = first.Run();
  ScriptedDiscovery second(component_);
  const XmlObject secondResult = second.Run();
  EXPECT_EQ(DeviceNames(secondResult), DeviceNames(firstResult));
  EXPECT_EQ(component_.Devices().size(), 2u);
  std::ifstream results("ddResult.xml");
  std::stringstream content;
  content << results.rdbuf();
  EXPECT_EQ(XmlObject(content.str()).ToString(), "<DiskDiagnosisResult/>\n");
}

TEST_F(Discovery, FixedVolumesOfARunningSystemOnly) {
  ScriptedDiscovery online(component_);
  const XmlObject idResult = online.Run();
  const XmlObject* volumes = idResult.SelectSingleNode("logicalDisks");
  ASSERT_NE(volumes, nullptr);
  EXPECT_EQ(volumes->GetAttribute("caption"), "Logical Disks");
  ASSERT_EQ(volumes->Children().size(), 2u);
  const XmlObject& system = volumes->Children()[0];
  EXPECT_EQ(system.GetAttribute("name") + " " + system.GetAttribute("caption"), "C: Logical Disk");
  std::vector<std::string> properties;
  for (const XmlObject& p : system.Children())
    properties.push_back(p.GetAttribute("name") + "/" + p.GetAttribute("caption") + "=" + p.GetAttribute("value"));
  EXPECT_EQ(properties, (std::vector<std::string>{"label/Volume Name=System", "fileSystem/File System=NTFS",
                                                  "size/Size (Byte)=1000", "freeSpace/Free Space (Byte)=400"}));

  Configure("<diagconfig><factory/></diagconfig>");
  EXPECT_EQ(ScriptedDiscovery(component_).Run().SelectSingleNode("logicalDisks"), nullptr);
  Configure("<diagconfig/>");
  ::setenv("VORTEXA_CD", "", 1);
  EXPECT_EQ(ScriptedDiscovery(component_).Run().SelectSingleNode("logicalDisks"), nullptr);
}

TEST_F(Discovery, IdThroughTheExportsListsTheMachinesVolumes) {
  SetComponentInstance(nullptr);
  Initialize("<options component='ravelbank.dll'/>");
  OruFree(SetCallback(&rbtest::HostEvents::Record));
  char* answer = ExecuteXMLCommand("<id/>");
  const XmlObject idResult{std::string(answer)};
  OruFree(answer);
  Uninitialize(nullptr);
  EXPECT_EQ(idResult.Name(), "idResult");
  EXPECT_EQ(idResult.GetValue("logicalDisks/logicalDisk/@name"), "C:");
  ASSERT_NE(idResult.SelectSingleNode("logicalDisks"), nullptr);
  EXPECT_EQ(idResult.SelectSingleNode("logicalDisks")->Children().size(), 2u);
}

TEST(DuplicateDevices, TheScsiControllerOfAPairGoes) {
  const struct {
    const char* children;
    std::vector<std::string> kept;
  } cases[] = {
      {"<device name='a' bus='1' device='2' class='ScsiController'/><device name='b' bus='1' device='2' class='disk'/>",
       {"b"}},
      {"<device name='a' bus='1' device='2' class='disk'/><device name='b' bus='1' device='2' class='ScsiController'/>",
       {"a"}},
      {"<device name='a' bus='1' device='2' class='ScsiController'/><device name='b' bus='1' device='2' "
       "class='ScsiController'/>",
       {"b"}},
      {"<device name='a' bus='1' device='2' class='disk'/><device name='b' bus='1' device='2' class='tape'/>",
       {"a", "b"}},
      {"<device name='a' bus='' device='' class='ScsiController'/><device name='b' bus='' device='' class='disk'/>",
       {"a", "b"}},
      {"<device name='a' bus='1' device='2' class='ScsiController'/><device name='b' bus='1' device='3' class='disk'/>",
       {"a", "b"}},
      {"<device name='a' bus='1' device='2' class='disk'/><logicalDisks bus='1' device='2' class='ScsiController'/>",
       {"a", "logicalDisks"}},
  };
  for (const auto& c : cases) {
    XmlObject idResult(std::string("<idResult>") + c.children + "</idResult>");
    RemoveDuplicateDevices(idResult);
    EXPECT_EQ(DeviceNames(idResult), c.kept) << c.children;
  }
}

TEST(CatalogDocument, TemplatesInOrderWithTheirCaptions) {
  struct Made {
    static std::unique_ptr<Device> Disk(const std::string& name) {
      auto device = std::make_unique<RecordingDevice>(name, true);
      device->SetCaption("Volume");
      return device;
    }
  };
  using C = CatalogTemplate::Caption;
  const std::vector<CatalogTemplate> templates = {
      {"scsiDisk", "SCSI Hard Drive", C::kGiven, &Made::Disk},
      {"scsiTape", nullptr, C::kOwn, nullptr},  // a family that is not part of the component
      {"logicalVolume", nullptr, C::kOwnTranslated, &Made::Disk},
      {"cdrom", nullptr, C::kOwn, &Made::Disk},
  };
  const XmlObject catalog = BuildCatalogDocument(templates);
  EXPECT_EQ(catalog.Name(), "catResult");
  std::vector<std::string> described;
  for (const XmlObject& device : catalog.Children())
    described.push_back(device.GetAttribute("name") + "=" + device.GetAttribute("caption") + "/" +
                        device.GetAttribute("described"));
  EXPECT_EQ(described, (std::vector<std::string>{"scsiDisk=SCSI Hard Drive/catalog", "logicalVolume=Volume/catalog",
                                                 "cdrom=Volume/catalog"}));

  // The component's own table names the seventeen kinds in catalog order.
  std::vector<std::string> names;
  for (const CatalogTemplate& entry : CatalogTemplates()) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{"FibreChannelController", "CISS", "cissBackPlane", "scsiDisk", "sataDisk",
                                             "sasDisk", "scsiTape", "sasTape", "backPlane", "logicalVolume", "cdrom",
                                             "usbCdrom", "ideDisk", "Diskette", "IdeZipDrive", "usbFloppy",
                                             "usbTape"}));
}

}  // namespace
}  // namespace rb
