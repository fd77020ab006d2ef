// Discovery of a simulated machine's directly attached storage: the devices each SCSI port's units
// become, the optical and USB drives of the device installer, the controllers with their PCI location,
// the trace in the host enumeration's order, and a second run that names everything alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/discoveryrun.h"
#include "component/simdiscoveryfixture.h"
#include "component/storagetestcomponent.h"
#include "framework/testdoubles.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "support/runenvironment.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="4" device="0" function="0" vendorID="0x1000" deviceID="0x0097" classCode="0x010700"
              description="RB SAS HBA" osDeviceID="PCI\VEN_1000&amp;DEV_0097\4&amp;0&amp;0">
      <bar index="1" address="0xe000" io="1"/></function>
    <function bus="0" device="31" function="2" vendorID="0x8086" deviceID="0x2922" classCode="0x010601"
              description="RB AHCI"/>
  </pci>
  <scsi>
    <port number="0" pciBus="4" pciDevice="0" pciFunction="0">
      <disk target="0" vendor="SEAGATE" product="ST600MM0006" blocks="1172123568" versionDescriptors="0C00"/>
      <disk target="1" vendor="SEAGATE" product="ST300MM0006" blocks="585937500"/>
      <disk target="2" vendor="RAVEL" product="OLD DISK" blocks="1000" scsiVersion="0"/>
      <optical target="5" vendor="RAVEL" product="RB DVD-ROM" medium="1"/>
    </port>
    <port number="1" usb="1">
      <disk target="0" vendor="Generic" product="USB DISK 2.0" blocks="15728640" removable="1"/>
    </port>
  </scsi>
</machine>)";

// The PCI summary of the machine, as the inventory library writes it.
XmlObject Summary() {
  XmlObject summary;
  summary.SetName("pciSummary");
  const struct {
    const char *bus, *device, *classCode, *description, *osDeviceId;
  } functions[] = {
      {"4", "0", "010700", "RB SAS HBA", "PCI\\VEN_1000&DEV_0097\\4&0&0"},
      {"0", "31", "010601", "RB AHCI", "PCI\\VEN_8086&DEV_2922\\0&31&2"},
  };
  for (const auto& f : functions) {
    XmlObject entry;
    entry.SetName("structure");
    entry.SetAttribute("name", "pciDevice");
    entry.SetAttribute("bus", f.bus);
    entry.SetAttribute("device", f.device);
    entry.SetAttribute("function", f.device == std::string("31") ? "2" : "0");
    entry.SetAttribute("classCode", f.classCode);
    entry.AddProperty("description", "Description", f.description);
    entry.AddProperty("osDeviceID", "Device Instance", f.osDeviceId);
    summary.AddChild(std::move(entry));
  }
  return summary;
}

std::vector<std::string> Devices(const XmlObject& idResult) {
  std::vector<std::string> devices;
  for (const XmlObject& child : idResult.Children())
    if (child.Name() == "device")
      devices.push_back(child.GetAttribute("name") + " " + child.GetAttribute("class") + " " +
                        child.GetAttribute("caption"));
  return devices;
}

class ScsiDiscovery : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override { Start(kMachine, Summary()); }
  // The position of a trace line; the end of the trace when it is missing.
  std::size_t Position(const std::string& line) const {
    const std::vector<std::string> output = trace_->Output();
    return static_cast<std::size_t>(std::find(output.begin(), output.end(), line) - output.begin());
  }
};

TEST_F(ScsiDiscovery, PortsUnitsAndDrivesBecomeDevicesTwiceAlike) {
  const XmlObject idResult = DiscoveryRun(component_).Run();
  const std::vector<std::string> expected = {
      "cdrom0 cdrom Optical Drive 1",
      // The machine's AHCI function is an ATA controller, without drives here.
      "sataController0 sataController SATA Controller (RB AHCI)",
      "sasDisk0 sasDisk SAS Hard Drive",
      "scsiDisk0 scsiDisk SCSI Hard Drive",
      "usbDisk0 usbDisk USB Hard Drive",
      "SCTRL0 ScsiController RB SAS HBA",
      "SCTRL1 ScsiController SCSI Controller",
  };
  EXPECT_EQ(Devices(idResult), expected);
  const XmlObject* controller = idResult.SelectSingleNode("device[@name='SCTRL0']");
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(controller->GetAttribute("bus") + ":" + controller->GetAttribute("device"), "4:0");
  const XmlObject* disk = idResult.SelectSingleNode("device[@name='sasDisk0']");
  ASSERT_NE(disk, nullptr);
  EXPECT_EQ(disk->GetPropertyValue("capacity"), "600.1 Gbytes");
  EXPECT_EQ(disk->GetPropertyValue("ScsiController"), "RB SAS HBA");
  EXPECT_EQ(disk->GetPropertyValue("osDevice"), "\\\\.\\PhysicalDrive0");
  // A unit of no SCSI version is no disk.
  EXPECT_LT(Position("\nDOES NOT COMPLY WITH ANY SCSI SPEC!!! Assuming is NOT a SCSI DISK\n"),
            trace_->Output().size());
  // The component keeps the port's I/O address.
  EXPECT_EQ(component_.ScsiPortAddresses(), (std::vector<std::uint64_t>{0xE000}));

  EXPECT_EQ(Devices(DiscoveryRun(component_).Run()), expected);
}

TEST_F(ScsiDiscovery, TheTraceFollowsTheHostEnumerationsOrder) {
  SetDebugEnabled(true);
  DiscoveryRun(component_).Run();
  const std::vector<std::string> order = {
      "ScsiDriver::IdentifyAll about to call AtaController-IsIdeRaidController()\n",
      "\n       Identifying SATA Controllers\n",
      "\n       Identifying ATA Raid Controllers\n",
      "\n       Identifying IDE Legacy Controllers\n",
      "\n       Identifying Diskette Drives\n",
      "\n       Identifying IDE Hard Drives\n",
      "\n       Identifying Tape Drives\n",
      "\n       Identifying Optical Drives\n",
      "\nFinished Identifying Optical Drives\n",
      "\n       Identifying SATA Hard Drives\n",
      "\nFinished Identifying SATA Hard Drives\n",
      "ScsiController::IdentifyAllPci about to call AtaController-IsIdeRaidController()\n",
      "IdentifyAllPci doing continue because is SATA cntlr\n",
      "\nHello from ScsiDevice::Create() Going to Look for dev type 0x00",
      " is a SCSI Disk\n",
  };
  std::size_t previous = 0;
  for (const std::string& line : order) {
    const std::size_t at = Position(line);
    EXPECT_LT(at, trace_->Output().size()) << line;
    EXPECT_GE(at, previous) << line;
    previous = at;
  }
}

}  // namespace
}  // namespace rb
