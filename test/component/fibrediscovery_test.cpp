// The fibre-channel step of discovery on a simulated machine: which inventory entries become adapters
// and under what names, their vendor, caption and description with the fallbacks, the SCSI port their
// base addresses lead to, the information block from the adapter library, the inventory's details as
// technical properties, and the catalog's template.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/discoveryrun.h"
#include "component/storagetestcomponent.h"
#include "devices/fibre/winfibreadapter.h"
#include "framework/ptstream.h"
#include "framework/testdoubles.h"
#include "platform/missinglibraryplatform.h"
#include "platform/recordingplatform.h"
#include "support/xmlobject.h"
#include "sysid/machinefixture.h"
#include "sysid/pciinventory.h"
#include "tests/fibreloopbacktest.h"

namespace rb {
namespace {

// The adapter in slot 3 is on the machine, with its port and its driver's report; the library reports
// a second adapter, at a location discovery does not list, which the first's block must not take.
constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="14" device="0" function="1" vendorID="0x10DF" deviceID="0xF180" subVendorID="0x10DF"
              subsystemID="0xF180" classCode="0x0C0400" slot="3">
      <bar index="0" address="0xfb7ff000"/>
      <bar index="4" address="0xc800" io="1"/>
    </function>
    <function bus="20" device="0" function="0" vendorID="0x10DF" deviceID="0xF100"/>
  </pci>
  <scsi>
    <port number="0" pciBus="14" pciFunction="1" driver="rbfc"/>
  </scsi>
  <fibreChannel>
    <adapter pciBus="20" serial="OTHER"/>
    <adapter pciBus="14" pciFunction="1" serial="FC91234567" driver=")"
                                 "\trbfc\x01 "
                                 R"(" state="offline"
             driverDescription="RB 8Gb Fibre Channel Driver" driverVersion="12.8.340.8"/>
  </fibreChannel>
</machine>)";

// An inventory entry as the summary writes it: attributes, and the same details as properties.
XmlObject Entry(std::initializer_list<std::pair<const char*, const char*>> details) {
  XmlObject entry;
  entry.SetName("structure");
  entry.SetAttribute("name", "pciDevice");
  for (const auto& [name, value] : details) {
    entry.SetAttribute(name, value);
    entry.AddProperty(name, name, value);
  }
  return entry;
}

class FibreDiscovery : public rbtest::MachineFixture {
 protected:
  void SetUp() override {
    MachineFixture::SetUp();
    UseMachine(kMachine);
    // The vendor list knows the first vendor only; the board database the slot-3 board only.
    Write("pcivendors.txt", "10df Emulex Corporation\n");
    Write("pciboards.xml",
          R"(<SSBoardList><PCI><dev id="10DFF180"><name>RB 8Gb FC HBA</name></dev></PCI></SSBoardList>)");
    component_.SetCallback(&rbtest::HostEvents::Record);
    SetComponentInstance(&component_);
  }
  void TearDown() override {
    SetComponentInstance(nullptr);
    component_.ClearDevices();
    MachineFixture::TearDown();
  }
  // The inventory: entries of no machine first (in inventory order), then the machine's own.
  void UseInventory(std::vector<XmlObject> entries) {
    XmlObject summary = FetchPciSummary();
    for (const XmlObject& own : summary.Children()) entries.push_back(own);
    summary.RemoveChildren();
    for (XmlObject& entry : entries) summary.AddChild(std::move(entry));
    component_.SetPciSummary(summary);
  }
  static const XmlObject& Adapter(const XmlObject& idResult, const std::string& name) {
    const XmlObject* adapter = idResult.SelectSingleNode("device[@name='" + name + "']");
    static const XmlObject missing;
    EXPECT_NE(adapter, nullptr) << name << " missing from " << idResult.ToString();
    return adapter != nullptr ? *adapter : missing;
  }
  static std::vector<std::string> PropertyNames(const XmlObject& device) {
    std::vector<std::string> names;
    for (const XmlObject* property : device.SelectNodes("property"))
      names.push_back(property->GetAttribute("name"));
    return names;
  }

  StorageTestComponent component_;
};

TEST_F(FibreDiscovery, ListsKnownAdaptersOnFunctionsZeroAndOneInInventoryOrder) {
  UseInventory({
      Entry({{"bus", "30"}, {"device", "0"}, {"function", "2"}, {"vendorID", "10df"}, {"deviceID", "f100"}}),
      Entry({{"bus", "31"},
             {"device", "0"},
             {"function", "0"},
             {"vendorID", "1077"},
             {"deviceID", "2532"},
             {"slotNumber", "10"}}),
      Entry({{"bus", "32"}, {"device", "0"}, {"function", "0"}, {"vendorID", "8086"}, {"deviceID", "1234"}}),
  });
  const XmlObject idResult = DiscoveryRun(component_).Run();
  EXPECT_EQ(idResult.SelectNodes("device[@class='FibreChannelController']").size(), 3u)
      << idResult.ToString();

  // Neither the vendor list nor the databases nor the inventory know it: the model table's names. The
  // slot is read as hexadecimal.
  const XmlObject& unknown = Adapter(idResult, "fcctrl0");
  EXPECT_EQ(unknown.GetAttribute("vendor"), "QLogic");
  EXPECT_EQ(unknown.GetAttribute("caption"), "Fibre Channel Adapter, Slot 16");
  EXPECT_EQ(unknown.GetAttribute("description"), "ISP2532-based 8Gb Fibre Channel to PCI Express HBA");
  EXPECT_EQ(unknown.GetAttribute("bus"), "31");
  // No port and no report from the driver: the inventory's details only, the bus left out.
  EXPECT_EQ(PropertyNames(unknown),
            (std::vector<std::string>{"device", "function", "vendorID", "deviceID", "slotNumber"}));
  EXPECT_EQ(unknown.SelectSingleNode("property[@name='vendorID']")->GetAttribute("techDetail"), "1");
  EXPECT_EQ(unknown.SelectNodes("test").size(), 3u);

  const XmlObject& known = Adapter(idResult, "fcctrl1");
  EXPECT_EQ(known.GetAttribute("vendor"), "Emulex Corporation");
  EXPECT_EQ(known.GetAttribute("caption"), "Fibre Channel Adapter, Slot 3");
  EXPECT_EQ(known.GetAttribute("description"), "RB 8Gb FC HBA");
  const std::vector<std::string> names = PropertyNames(known);
  ASSERT_GE(names.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 7),
            (std::vector<std::string>{"DevicePath", "BoardId", "SerialNumber", "Status", "DriverName",
                                      "DriverDesc", "DriverVersion"}));
  EXPECT_EQ(known.GetPropertyValue("DevicePath"), "\\\\.\\SCSI0:");
  EXPECT_EQ(known.GetPropertyValue("BoardId"), "10dff180");
  EXPECT_EQ(known.GetPropertyValue("SerialNumber"), "FC91234567");
  EXPECT_EQ(known.GetPropertyValue("Status"), "OFFLINE");
  EXPECT_EQ(known.GetPropertyValue("DriverName"), "rbfc");  // blanks and control characters cleaned
  EXPECT_EQ(known.GetPropertyValue("DriverDesc"), "RB 8Gb Fibre Channel Driver");
  EXPECT_EQ(known.GetPropertyValue("DriverVersion"), "12.8 (build 340, release 8)");
  EXPECT_EQ(known.GetPropertyValue("ioPortBaseAddress0"), "c800");
  EXPECT_EQ(known.SelectSingleNode("property[@name='bus']"), nullptr);
  // The SCSI family's controller of the adapter's port gives way to the adapter.
  EXPECT_EQ(idResult.SelectSingleNode("device[@class='ScsiController']"), nullptr) << idResult.ToString();

  // The third is the machine's second function.
  EXPECT_EQ(Adapter(idResult, "fcctrl2").GetAttribute("bus"), "20");
  EXPECT_EQ(idResult.SelectSingleNode("device[@bus='30']"), nullptr);
  EXPECT_EQ(idResult.SelectSingleNode("device[@bus='32']"), nullptr);
}

TEST_F(FibreDiscovery, WithoutTheAdapterLibraryTheAdapterIsListedWithoutItsDriversReport) {
  UseInventory({});
  os::SimPlatform machine(Dir().File("machine.xml"));
  const rbtest::InstalledPlatform withoutLibrary(
      std::make_unique<rbtest::MissingLibraryPlatform>(machine, "qlsdm"));
  const XmlObject idResult = DiscoveryRun(component_).Run();
  const XmlObject& adapter = Adapter(idResult, "fcctrl0");
  EXPECT_EQ(adapter.GetPropertyValue("DevicePath"), "\\\\.\\SCSI0:");
  EXPECT_EQ(adapter.SelectSingleNode("property[@name='BoardId']"), nullptr) << adapter.ToString();
  EXPECT_EQ(adapter.SelectNodes("test").size(), 3u);
}

TEST_F(FibreDiscovery, ASavedAdapterComesBackWithItsLocationAndItsThreeVariants) {
  UseInventory({});
  DiscoveryRun(component_).Run();
  auto* found = dynamic_cast<WinFibreAdapter*>(component_.FindDevice("fcctrl0"));
  ASSERT_NE(found, nullptr);
  optstream out;
  out.WritePointer(found);
  iptstream in(out.Bytes());
  const std::unique_ptr<WinFibreAdapter> read = in.ReadObject<WinFibreAdapter>();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Name(), "fcctrl0");
  EXPECT_EQ(read->VendorName(), "Emulex Corporation");
  EXPECT_EQ(read->PciBus(), 14);
  EXPECT_EQ(read->PciFunction(), 1);
  EXPECT_EQ(read->DevicePath(), "\\\\.\\SCSI0:");
  std::vector<std::string> variants;
  for (const auto& test : read->Tests()) {
    const auto& loopback = dynamic_cast<const FibreLoopBackTest&>(*test);
    variants.push_back(loopback.Name() + "/" + loopback.Caption() + "/" + std::to_string(loopback.Mode()));
  }
  EXPECT_EQ(variants, (std::vector<std::string>{
                          "ExternalFibreLoopBackTest/External Fibre loopback test/2",
                          "Internal_1Bit_FibreLoopBackTest/Internal 1 bit Fibre loopback test/1",
                          "Internal_10Bit_FibreLoopBackTest/Internal 10 bit Fibre loopback test/0"}));
  EXPECT_TRUE(read->Tests()[0]->Capabilities().interactive);
}

TEST_F(FibreDiscovery, TheCatalogDescribesTheKindWithItsThreeLoopbackTests) {
  const XmlObject catalog(component_.BuildCatalog());
  const XmlObject* adapter = catalog.SelectSingleNode("device[@class='FibreChannelController']");
  ASSERT_NE(adapter, nullptr) << catalog.ToString();
  EXPECT_EQ(adapter->GetAttribute("caption"), "Fibre Channel Controller");
  std::vector<std::string> tests;
  for (const XmlObject* test : adapter->SelectNodes("test")) tests.push_back(test->GetAttribute("caption"));
  EXPECT_EQ(tests,
            (std::vector<std::string>{"External Fibre loopback test", "Internal 1 bit Fibre loopback test",
                                      "Internal 10 bit Fibre loopback test"}));
  EXPECT_TRUE(adapter->SelectNodes("property").empty());
}

}  // namespace
}  // namespace rb
