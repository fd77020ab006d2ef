// The array family's discovery on a simulated machine: the BMIC controller with its catalog entry,
// physical disks and arrays, a CISS controller whose port only the CISS discovery claims, and the
// claims of one process.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "component/componentfile.h"
#include "component/simdiscoveryfixture.h"
#include "component/storagetestcomponent.h"
#include "controllers/arrayboards.h"
#include "controllers/bmicdevice.h"
#include "controllers/bmicdriver.h"
#include "controllers/cissdriver.h"
#include "controllers/controllerportdiscovery.h"
#include "controllers/raidarray.h"
#include "controllers/raiddisk.h"
#include "framework/ptstream.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::DeviceNamed;
using rbtest::Property;
using rbtest::RaidControllerSummaryEntry;

// A BMIC controller on port 1 (a RAID 1 volume over two of its four drives, a backplane at bus 0,
// target 0, two batteries) and a CISS controller on port 2.
constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="7" device="0" function="0" vendorID="0x0E11" deviceID="0xAE10" classCode="0x010400"
              description="RB Array Controller"/>
    <function bus="9" device="0" function="0" vendorID="0x0E11" deviceID="0xB060" classCode="0x010400"
              description="RB Smart Array"/>
  </pci>
  <scsi>
    <port number="1" array="bmic" pciBus="7" pciDevice="0" pciFunction="0" board="0x52410020"
          model="RB Array Controller L200" firmware="2.36" slot="3" totalMemory="64"
          installedMemory="48" cache="16" targetsPerBus="8">
      <backplane bus="0" target="0" vendor="RAVEL" product="RB BP-4 BAY" revision="1.20"/>
      <drive bus="0" target="1" kind="scsi" vendor="SEAGATE" product="ST373455LC" blocks="2000"/>
      <drive bus="0" target="2" kind="sas" vendor="SEAGATE" product="ST3300657SS" blocks="2000"/>
      <drive bus="1" target="0" kind="sata" product="WDC WD5003ABYX" blocks="2000"/>
      <drive bus="1" target="5" kind="scsi" vendor="MAXTOR" product="ATLAS10K5" blocks="2000"/>
      <volume raid="1" members="0:1 0:2" blocks="1000" array="0"/>
      <battery status="ok"/>
      <battery status="failed"/>
    </port>
    <port number="2" array="ciss" pciBus="9" pciDevice="0" pciFunction="0" board="0x52420108">
      <drive bus="0" target="0" kind="sas" blocks="2000"/>
    </port>
  </scsi>
</machine>)";

XmlObject Summary() {
  return rbtest::RaidControllerSummary({"7", "9"});
}

class ArrayDiscovery : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override { Start(kMachine, Summary()); }
  XmlObject Identify() { return XmlObject(component_.IdentifyDevices()); }
};

TEST_F(ArrayDiscovery, TheBmicControllerDescribesItselfAndItsDrives) {
  const XmlObject idResult = Identify();
  const XmlObject* controller = DeviceNamed(idResult, "bmicController0");
  ASSERT_NE(controller, nullptr) << idResult.ToString();
  EXPECT_EQ(controller->GetAttribute("class"), "Controller");
  EXPECT_EQ(controller->GetAttribute("caption"), "Array Controller 3");
  EXPECT_EQ(Property(*controller, "Model"), "RB Array Controller L200");
  EXPECT_EQ(Property(*controller, "Firmware"), "2.36");
  EXPECT_EQ(Property(*controller, "NumLogicalDrives"), "1");
  EXPECT_EQ(Property(*controller, "TotalMemory"), "64 Mbytes");
  EXPECT_EQ(Property(*controller, "InstalledMemory"), "48 Mbytes");
  EXPECT_EQ(Property(*controller, "UsableCacheRam"), "16 Mbytes");
  EXPECT_EQ(Property(*controller, "batteryStatus1"), "OK");
  EXPECT_EQ(Property(*controller, "batteryStatus2"), "Failed");
  EXPECT_EQ(Property(*controller, "batteryStatus3"), "(none)");
  EXPECT_EQ(Property(*controller, "BackplaneModel"), "RB BP-4 BAY");
  EXPECT_EQ(Property(*controller, "BackplaneRev"), "1.20");
  EXPECT_EQ(Property(*controller, "PhysicalDrives"),
            "bmicController0b0d1, bmicController0b0d2, bmicController0b1d0, bmicController0b1d5");
  EXPECT_EQ(Property(*controller, "UnassignedDrives"), "bmicController0b1d0, bmicController0b1d5");
  // Its one array holds the volume's two drives.
  std::vector<std::string> arrays;
  for (const XmlObject& child : controller->Children()) {
    if (child.Name() != "array") continue;
    std::string text = child.GetAttribute("name") + ":";
    for (const XmlObject& member : child.Children()) text += " " + member.GetAttribute("description");
    arrays.push_back(text);
  }
  EXPECT_EQ(arrays,
            (std::vector<std::string>{"bmicController0-ARRAY0: bmicController0b0d1 bmicController0b0d2"}));
  // Outside the factory line the controller offers no tests of its own.
  EXPECT_EQ(std::count_if(controller->Children().begin(), controller->Children().end(),
                          [](const XmlObject& child) { return child.Name() == "test"; }),
            0);

  // The drives behind it, by kind; the backplane at bus 0, target 0 is no disk.
  std::vector<std::string> disks;
  for (const XmlObject& child : idResult.Children())
    if (child.Name() == "device" && Property(child, "PhysicalDriveName").rfind("bmicController0", 0) == 0)
      disks.push_back(Property(child, "PhysicalDriveName") + " " + Property(child, "DriveType"));
  EXPECT_EQ(disks, (std::vector<std::string>{
                       "bmicController0b0d1 SCSI Hard Drive", "bmicController0b0d2 SAS Hard Drive",
                       "bmicController0b1d0 SATA Hard Disk", "bmicController0b1d5 SCSI Hard Drive"}));
  // The plain SCSI controller of the same PCI function is gone.
  for (const XmlObject& child : idResult.Children())
    if (child.GetAttribute("class") == "ScsiController") {
      EXPECT_NE(child.GetAttribute("bus"), "7");
    }
}

TEST_F(ArrayDiscovery, EachKindClaimsOnlyItsOwnPortAndASecondRunFindsTheSame) {
  ForgetClaimedControllerPorts();
  // Whichever discovery runs first, neither takes the other's port, and a port claimed is not
  // offered again in the process.
  std::vector<std::uint16_t> bmic, ciss;
  for (std::uint16_t port : BmicDriver::DiscoverPorts())
    if (port != kEmptyPortEntry) bmic.push_back(port);
  for (std::uint16_t port : CissDriver::DiscoverPorts())
    if (port != kEmptyPortEntry) ciss.push_back(port);
  EXPECT_EQ(bmic, std::vector<std::uint16_t>{1});
  EXPECT_EQ(ciss, std::vector<std::uint16_t>{2});
  EXPECT_EQ(BmicDriver::DiscoverPorts()[0], kEmptyPortEntry);
  EXPECT_EQ(CissDriver::DiscoverPorts()[0], kEmptyPortEntry);

  const std::string first = component_.IdentifyDevices();
  EXPECT_TRUE(IsControllerPortClaimed(1));
  EXPECT_TRUE(IsControllerPortClaimed(2));
  EXPECT_EQ(component_.IdentifyDevices(), first) << "the second run finds the controller again";
  // The CISS controllers are found first.
  ASSERT_EQ(component_.ArrayControllers().size(), 2u);
  EXPECT_EQ(component_.ArrayControllers()[0]->Name(), "cissController0");
  EXPECT_EQ(component_.ArrayControllers()[1]->Name(), "bmicController0");
  ForgetClaimedControllerPorts();
}

TEST_F(ArrayDiscovery, TheControllerAndItsDisksComeBackFromThePersistentForm) {
  Identify();
  optstream out;
  WriteComponent(out, component_);
  iptstream in(out.Bytes());
  const std::unique_ptr<TestComponent> read = ReadComponent(in);
  ASSERT_NE(read, nullptr);
  auto* controller = dynamic_cast<BmicDevice*>(read->FindDevice("bmicController0"));
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(controller->ProductName(), "RB Array Controller L200");
  EXPECT_EQ(controller->Slot(), 3);
  EXPECT_EQ(controller->BoardId(), arrayboards::kLegacyBmic.id);
  ASSERT_EQ(controller->PhysicalDisks().size(), 4u);
  RaidDisk* disk = controller->PhysicalDisks()[1];
  EXPECT_EQ(read->FindDevice(disk->Name()), disk) << "a link to the device of the set";
  EXPECT_EQ(disk->Controller(), controller);
  EXPECT_EQ(disk->AddressName(), "bmicController0b0d2");
  ASSERT_EQ(controller->Arrays().size(), 1u);
  EXPECT_EQ(controller->Arrays()[0]->Members().size(), 2u);
  auto* stored = dynamic_cast<StorageTestComponent*>(read.get());
  ASSERT_NE(stored, nullptr);
  ASSERT_EQ(stored->ArrayControllers().size(), 2u);
  EXPECT_EQ(stored->ArrayControllers()[1], controller);
}

// A controller without drive-presence maps: every bus and target it reports is probed, and the
// addresses without a drive (the controller refuses both INQUIRY and its own identification there)
// are left out.
class ArrayDiscoveryWithoutPresenceMaps : public ArrayDiscovery {
 protected:
  void SetUp() override {
    std::string machine = kMachine;
    const std::string port = "targetsPerBus=\"8\"";
    machine.insert(machine.find(port) + port.size(), " presenceMaps=\"0\"");
    Start(machine.c_str(), Summary());
  }
};

TEST_F(ArrayDiscoveryWithoutPresenceMaps, EveryAddressIsProbedAndTheSameDrivesFound) {
  const XmlObject idResult = Identify();
  const XmlObject* controller = DeviceNamed(idResult, "bmicController0");
  ASSERT_NE(controller, nullptr) << idResult.ToString();
  EXPECT_EQ(Property(*controller, "PhysicalDrives"),
            "bmicController0b0d1, bmicController0b0d2, bmicController0b1d0, bmicController0b1d5");
  // Two buses of eight targets: the eleven empty addresses are traced as such, the backplane as one.
  std::size_t empty = 0, backplanes = 0;
  for (const std::string& line : trace_->Output()) {
    if (line.rfind("bmicController0b", 0) != 0) continue;
    if (line.find("BMIC driver reported problem") != std::string::npos) ++empty;
    if (line == "bmicController0b0d0: backplane\n") ++backplanes;
  }
  EXPECT_EQ(empty, 16u - 4u - 1u);
  EXPECT_EQ(backplanes, 1u);
}

}  // namespace
}  // namespace rb
