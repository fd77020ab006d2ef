// Discovery of a simulated machine's tape drives: those on SCSI ports (a SAS one among them), on a USB
// port, on a USB port the port scan cannot open (found through the management instrumentation) and an
// ATAPI tape on an IDE channel (found through the device installer), each numbered in its kind with
// the system's device that drives it; and the tape kinds of the catalog with their tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "component/catalogtemplates.h"
#include "component/componentinstance.h"
#include "component/discoveryrun.h"
#include "component/simdiscoveryfixture.h"
#include "component/storagetestcomponent.h"
#include "devices/scsi/scsidevice.h"
#include "framework/testdoubles.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "support/runenvironment.h"
#include "support/xmlobject.h"
#include "sysid/pciidentification.h"

namespace rb {
namespace {

constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="0" device="1" function="1" vendorID="0x8086" deviceID="0x7010" classCode="0x010180"
              osDeviceID="PCI\VEN_8086&amp;DEV_7010\0&amp;1&amp;1"/>
  </pci>
  <scsi>
    <port number="0">
      <tape target="3" vendor="RAVEL" product="RB TAPE LTO3" medium="1"/>
      <tape target="4" vendor="RAVEL" product="RB SAS TAPE" versionDescriptors="0C00"/>
    </port>
    <port number="1" usb="1"><tape vendor="RAVEL" product="USB TAPE"/></port>
    <port number="2" ide="1" pciBus="0" pciDevice="1" pciFunction="1" ioAddress="0x1F0">
      <tape target="1" vendor="RAVEL" product="ATAPI TAPE"/>
    </port>
    <port number="3" usb="1" openError="5"><tape vendor="RAVEL" product="HIDDEN USB TAPE"/></port>
  </scsi>
</machine>)";

XmlObject Summary() {
  XmlObject summary;
  summary.SetName("pciSummary");
  XmlObject entry;
  entry.SetName("structure");
  entry.SetAttribute("name", "pciDevice");
  entry.SetAttribute("bus", "0");
  entry.SetAttribute("device", "1");
  entry.SetAttribute("function", "1");
  entry.SetAttribute("vendorID", "8086");
  entry.SetAttribute("deviceID", "7010");
  entry.SetAttribute("classCode", "010180");
  entry.SetAttribute("ioPortBaseAddress0", "1F0");
  entry.AddProperty("osDeviceID", "Device Instance", "PCI\\VEN_8086&DEV_7010\\0&1&1");
  summary.AddChild(std::move(entry));
  return summary;
}

class TapeDiscovery : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override { Start(kMachine, Summary(), "<SSBoardList><PCI/></SSBoardList>"); }
};

// "name class model file tests" of each tape device, in the order of idResult.
std::vector<std::string> Tapes(const XmlObject& idResult) {
  std::vector<std::string> tapes;
  for (const XmlObject& device : idResult.Children()) {
    if (device.Name() != "device" || device.GetAttribute("name").find("Tape") == std::string::npos) continue;
    std::string text = device.GetAttribute("name") + " " + device.GetAttribute("class") + " " +
                       device.GetPropertyValue("Model") + " " + device.GetPropertyValue("deviceFile");
    for (const XmlObject* test : device.GetChildren("test")) text += " " + test->GetAttribute("name");
    tapes.push_back(text);
  }
  return tapes;
}

TEST_F(TapeDiscovery, EveryWayATapeIsFoundGivesItsDeviceAndTests) {
  const XmlObject idResult = DiscoveryRun(component_).Run();
  const std::string all = " scsiEjectTapeTest scsiTapeTest scsiInsertTapeTest";
  // The device installer's pass (the ATAPI tape) comes before the port scan.
  EXPECT_EQ(Tapes(idResult), (std::vector<std::string>{
                                 "scsiTape0 scsiTape RAVEL ATAPI TAPE \\\\.\\Tape3" + all,
                                 "scsiTape1 scsiTape RAVEL RB TAPE LTO3 \\\\.\\Tape0" + all,
                                 "sasTape0 sasTape RAVEL RB SAS TAPE \\\\.\\Tape1" + all,
                                 "usbTape0 usbTape RAVEL USB TAPE \\\\.\\Tape2 scsiEjectTapeTest",
                                 "usbTape1 usbTape RAVEL HIDDEN USB TAPE \\\\.\\Tape4 scsiEjectTapeTest",
                             }));
  // The SCSI port's tape with a cartridge is ready and lists its capabilities; the empty one says why
  // it is not ready.
  const XmlObject* loaded = idResult.SelectSingleNode("device[@name='scsiTape1']");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetPropertyValue("statusDescription"), "Drive Ready");
  EXPECT_EQ(loaded->GetChildren("capabilities").size(), 1u);
  const XmlObject* empty = idResult.SelectSingleNode("device[@name='sasTape0']");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->GetPropertyValue("tapeStatus"), "No Media In Drive: There is no media in the drive.");
  // Tape numbers count the run's tapes from 1, in the order discovery meets them.
  std::vector<std::int32_t> numbers;
  for (const char* name : {"scsiTape0", "scsiTape1", "sasTape0", "usbTape0", "usbTape1"}) {
    const auto* device = dynamic_cast<const ScsiDevice*>(component_.FindDevice(name));
    ASSERT_NE(device, nullptr) << name;
    numbers.push_back(device->DriveNumber());
  }
  EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
}

TEST_F(TapeDiscovery, TheCatalogHasTheTapeKindsWithTheirTests) {
  const XmlObject catalog = BuildCatalogDocument(CatalogTemplates());
  for (const char* kind : {"scsiTape", "sasTape", "usbTape"}) {
    const XmlObject* element = catalog.SelectSingleNode(std::string("device[@class='") + kind + "']");
    ASSERT_NE(element, nullptr) << kind;
    EXPECT_EQ(element->GetChildren("test").size(), std::string(kind) == "usbTape" ? 1u : 3u) << kind;
    EXPECT_TRUE(element->GetChildren("capabilities").empty()) << "the catalog touches no drive";
  }
  EXPECT_EQ(catalog.SelectSingleNode("device[@class='usbTape']")->GetAttribute("caption"), "USB Tape Drive");
}

}  // namespace
}  // namespace rb
