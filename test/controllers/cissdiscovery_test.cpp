// The CISS controller on a simulated machine: what discovery finds behind it (disks by bus and target,
// a backplane, an empty LUN list), its catalog entry with the slot rule, the run-begin and run-end
// notices, and a read test of an array disk carried by the controller.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/simdiscoveryfixture.h"
#include "component/storagetestcomponent.h"
#include "controllers/cissdevice.h"
#include "controllers/raiddisk.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::DeviceNamed;
using rbtest::Property;
using rbtest::RaidControllerSummaryEntry;

// A CISS controller of the plain SAS board on port 2: a SAS and a SATA disk, a backplane and a
// RAID 1 volume; its subsystem information has no slot (20). A second CISS controller on port 3 has
// nothing behind it.
constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="9" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"
              description="RB Array Controller S600"/>
    <function bus="10" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"
              description="RB Array Controller C100"/>
  </pci>
  <scsi>
    <port number="2" array="ciss" pciBus="9" pciDevice="0" pciFunction="0" board="0x52420108" slot="20"
          serial="PSER0001" totalMemory="64" installedMemory="64">
      <drive bus="1" target="0" kind="sas" blocks="2000"/>
      <drive bus="1" target="3" kind="sata" blocks="2000"/>
      <backplane bus="0" target="7" vendor="RAVEL" product="RB BP-8 BAY" revision="1.10"/>
      <volume raid="1" members="1:0 1:3" blocks="1000" array="0"/>
    </port>
    <port number="3" array="ciss" pciBus="10" pciDevice="0" pciFunction="0" board="0x52430001" slot="2"/>
  </scsi>
</machine>)";

XmlObject Summary(const char* slotOfBus9) {
  XmlObject summary;
  summary.SetName("pciSummary");
  for (const char* bus : {"9", "10"}) {
    XmlObject entry = RaidControllerSummaryEntry(bus);
    entry.SetAttribute("name", "pciDevice");
    if (std::string(bus) == "9" && slotOfBus9 != nullptr) entry.SetAttribute("slotNumber", slotOfBus9);
    if (std::string(bus) == "10") entry.SetAttribute("slotNumber", "2");
    summary.AddChild(std::move(entry));
  }
  return summary;
}

class CissDiscovery : public rbtest::SimDiscoveryTest {
 protected:
  XmlObject Identify() { return XmlObject(component_.IdentifyDevices()); }
};

TEST_F(CissDiscovery, TheControllerListsItsDisksByBusAndTargetAndDescribesItself) {
  Start(kMachine, Summary(nullptr));
  const XmlObject idResult = Identify();
  const XmlObject* controller = DeviceNamed(idResult, "cissController0");
  ASSERT_NE(controller, nullptr) << idResult.ToString();
  EXPECT_EQ(controller->GetAttribute("class"), "Controller");
  // No slot anywhere: subsystem information says 20, the PCI inventory entry has none.
  EXPECT_EQ(controller->GetAttribute("caption").rfind("Array Controller, ", 0), 0u) << controller->ToString();
  EXPECT_EQ(controller->GetAttribute("caption").substr(controller->GetAttribute("caption").size() - 8),
            ", Slot 0");
  EXPECT_EQ(Property(*controller, "PciSlot"), "0");
  EXPECT_EQ(Property(*controller, "PciBus"), "9");
  EXPECT_EQ(Property(*controller, "SerialNumber"), "PSER0001");
  EXPECT_EQ(Property(*controller, "PhysicalDrives"), "cissController0b1d0, cissController0b1d3");
  EXPECT_EQ(Property(*controller, "BackplaneModel"), "(none)") << "no backplane at bus 0, target 0";

  std::vector<std::string> disks;
  for (const XmlObject& child : idResult.Children())
    if (child.Name() == "device" && Property(child, "PhysicalDriveName") != "(none)")
      disks.push_back(Property(child, "PhysicalDriveName") + " " + Property(child, "DriveType"));
  EXPECT_EQ(disks, (std::vector<std::string>{"cissController0b1d0 SAS Hard Drive",
                                             "cissController0b1d3 SATA Hard Disk"}));

  // The empty controller: no devices, no error, and outside both board sets no tests.
  const XmlObject* empty = DeviceNamed(idResult, "cissController1");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(Property(*empty, "PhysicalDrives"), "None");
  EXPECT_EQ(Property(*empty, "PciSlot"), "2") << "the PCI inventory's slot";
  for (const XmlObject& child : empty->Children()) EXPECT_NE(child.Name(), "test");
  ASSERT_EQ(component_.ArrayControllers().size(), 2u);
}

TEST_F(CissDiscovery, TheSlotComesFromTheInventoryThenTheStorageConfiguration) {
  Start(kMachine, Summary("4"));
  EXPECT_EQ(Property(*DeviceNamed(Identify(), "cissController0"), "PciSlot"), "4");
  dir_.Write("storageconfig.xml",
             "<storageConfig><slotOverride><controller bus='3' slot='1'/><controller bus='9' slot='11'/>"
             "<controller bus='9' slot='12'/></slotOverride></storageConfig>");
  const XmlObject idResult = Identify();
  EXPECT_EQ(Property(*DeviceNamed(idResult, "cissController0"), "PciSlot"), "11")
      << "the first entry of its bus";
  EXPECT_EQ(Property(*DeviceNamed(idResult, "cissController1"), "PciSlot"), "2");
}

TEST_F(CissDiscovery, ARunPausesTheControllersBackgroundTasksAndTheEndResumesThem) {
  Start(kMachine, Summary(nullptr));
  Identify();
  const XmlObject diagRun("<diagRun/>");
  component_.DiagRunBegin(diagRun);
  auto* controller = dynamic_cast<CissDevice*>(component_.FindDevice("cissController1"));
  ASSERT_NE(controller, nullptr);
  const std::uint8_t disable[10] = {0x27, 0, 0, 0, 0, 0, 0x98, 0, 0, 0};
  EXPECT_TRUE(std::equal(disable, disable + 10, controller->Last().cdb.begin()));
  EXPECT_EQ(controller->Last().cdbLength, 10);
  component_.DiagRunEnd(diagRun);
  EXPECT_EQ(controller->Last().cdb[6], 0x99);
}

TEST_F(CissDiscovery, AReadTestOfAnArrayDiskGoesThroughTheController) {
  Start(kMachine, Summary(nullptr));
  Identify();
  auto* controller = dynamic_cast<CissDevice*>(component_.FindDevice("cissController0"));
  ASSERT_NE(controller, nullptr);
  ASSERT_EQ(controller->PhysicalDisks().size(), 2u);
  RaidDisk* disk = controller->PhysicalDisks()[0];
  const XmlObject result =
      disk->RunTest(XmlObject("<runTest device='" + disk->Name() + "' test='SeqReadTest'/>"));
  EXPECT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  EXPECT_EQ(controller->Last().cdb[0], 0x28) << "the disk's reads are the controller's commands";
}

}  // namespace
}  // namespace rb
