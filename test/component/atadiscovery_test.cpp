// The ATA family on a simulated machine: SATA, IDE RAID and legacy IDE controllers found in the PCI
// inventory with the drives on their ports, the SMART requests answered by the simulated drives, and
// writes that a mounted disk refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/discoveryrun.h"
#include "component/simdiscoveryfixture.h"
#include "component/storagetestcomponent.h"
#include "devices/ata/idedisk.h"
#include "devices/ata/idefloppy.h"
#include "devices/ata/idezipdrive.h"
#include "devices/diskwritehold.h"
#include "framework/testdoubles.h"
#include "platform/os.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "support/oruerror.h"
#include "support/runenvironment.h"
#include "support/xmlobject.h"
#include "sysid/pciidentification.h"

namespace rb {
namespace {

constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="0" device="31" function="2" vendorID="0x8086" deviceID="0x2922" classCode="0x010601"
              osDeviceID="PCI\VEN_8086&amp;DEV_2922\0&amp;31&amp;2"/>
    <function bus="0" device="1" function="1" vendorID="0x8086" deviceID="0x7010" classCode="0x010180"
              osDeviceID="PCI\VEN_8086&amp;DEV_7010\0&amp;1&amp;1"/>
    <function bus="3" device="0" function="0" vendorID="0x105A" deviceID="0x3319" classCode="0x010400"
              osDeviceID="PCI\VEN_105A&amp;DEV_3319\3&amp;0&amp;0"/>
  </pci>
  <scsi>
    <port number="0" pciBus="0" pciDevice="31" pciFunction="2">
      <disk model="SATA DISK ONE" firmware="SD01" serial="S1" blocks="2000000" smartTrip="1"/>
    </port>
    <port number="1" pciBus="0" pciDevice="31" pciFunction="2">
      <optical model="SATA DVD" firmware="DV01" serial="D1" medium="1"/>
    </port>
    <port number="2" ide="1" pciBus="0" pciDevice="1" pciFunction="1">
      <disk target="0" model="IDE MASTER DISK" firmware="IM01" serial="M1" blocks="100000" mounted="1"/>
      <disk target="1" model="IOMEGA ZIP 100" firmware="Z1" zip="1" removable="1" blocks="196608"/>
    </port>
    <port number="3" ide="1" pciBus="0" pciDevice="1" pciFunction="1">
      <disk target="1" model="SILENT DISK" firmware="SI01" blocks="5000" noIdentify="1"/>
    </port>
    <port number="4" ide="1" pciBus="3" pciDevice="0" pciFunction="0">
      <disk target="0" model="RAID LOGICAL DRIVE" firmware="R1" blocks="8000" badChecksum="1"/>
    </port>
    <port number="5" fdc="1">
      <disk blocks="2880" floppy="1"/>
      <disk target="1" blocks="2880" floppy="1" writeProtect="1"/>
    </port>
  </scsi>
</machine>)";

// The board databases name the IDE RAID board; the others are known by their class codes.
constexpr const char* kBoards = R"(<SSBoardList><PCI>
  <dev id="105A3319"><name>RB IDE RAID</name><PhyType>IDE RAID</PhyType></dev>
</PCI></SSBoardList>)";

XmlObject Summary() {
  XmlObject summary;
  summary.SetName("pciSummary");
  const struct {
    const char *bus, *device, *function, *vendor, *id, *classCode, *osDeviceId;
  } functions[] = {
      {"0", "31", "2", "8086", "2922", "010601", "PCI\\VEN_8086&DEV_2922\\0&31&2"},
      {"0", "1", "1", "8086", "7010", "010180", "PCI\\VEN_8086&DEV_7010\\0&1&1"},
      {"3", "0", "0", "105a", "3319", "010400", "PCI\\VEN_105A&DEV_3319\\3&0&0"},
  };
  for (const auto& f : functions) {
    XmlObject entry;
    entry.SetName("structure");
    entry.SetAttribute("name", "pciDevice");
    entry.SetAttribute("bus", f.bus);
    entry.SetAttribute("device", f.device);
    entry.SetAttribute("function", f.function);
    entry.SetAttribute("vendorID", f.vendor);
    entry.SetAttribute("deviceID", f.id);
    entry.SetAttribute("classCode", f.classCode);
    entry.AddProperty("osDeviceID", "Device Instance", f.osDeviceId);
    summary.AddChild(std::move(entry));
  }
  return summary;
}

class AtaDiscovery : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override { Start(kMachine, Summary(), kBoards); }
  // "name class caption [property=value ...]" of a device element.
  static std::string Describe(const XmlObject& idResult, const std::string& name,
                              std::initializer_list<const char*> properties) {
    // By hand: a SATA disk's name holds slashes, which a query would read as steps.
    const XmlObject* device = nullptr;
    for (const XmlObject& child : idResult.Children())
      if (child.GetAttribute("name") == name) device = &child;
    if (device == nullptr) return "missing " + name;
    std::string text = device->GetAttribute("class") + " " + device->GetAttribute("caption");
    for (const char* property : properties)
      text += std::string(" ") + property + "=" + device->GetPropertyValue(property);
    return text;
  }
};

TEST_F(AtaDiscovery, ControllersOfEachKindListTheirDrives) {
  const XmlObject idResult = DiscoveryRun(component_).Run();
  EXPECT_EQ(Describe(idResult, "sataController0", {"controllerType", "pciLocation"}),
            "sataController SATA Controller controllerType=SATA Controller pciLocation=0:31.2");
  EXPECT_EQ(Describe(idResult, "IdeLegacyController0", {"controllerType"}),
            "IdeLegacyController IDE PATA Controller controllerType=IDE PATA Controller");
  EXPECT_EQ(Describe(idResult, "IdeRaidController0", {"controllerType"}),
            "IdeRaidController IDE RAID Controller (RB IDE RAID) controllerType=IDE RAID Controller");
  EXPECT_EQ(
      Describe(idResult, "/dev/sda1",
               {"Model", "Firmware", "SerialNumber", "capacity", "ultraDma", "controller"}),
      "sataDisk SATA Hard Disk 1 Model=SATA DISK ONE Firmware=SD01 SerialNumber=S1 capacity=1.02 Gbytes "
      "ultraDma=Ultra DMA mode 5 and below are supported controller=SATA Controller");
  EXPECT_EQ(Describe(idResult, "cdrom0", {"Model", "connector", "controller"}),
            "cdrom Optical Drive 1 Model=SATA DVD connector=Port 1 controller=SATA Controller");
  EXPECT_EQ(Describe(idResult, "ideDisk0", {"Model", "connector", "multiwordDma", "dmaFeature"}),
            "ideDisk IDE Hard Disk 1 Model=IDE MASTER DISK connector=Primary Master "
            "multiwordDma=Multiword DMA mode 2 and below are supported dmaFeature=Enabled");
  EXPECT_EQ(
      Describe(idResult, "IdeZipDrive0", {"Model", "connector", "capacity"}),
      "IdeZipDrive IDE Zip Drive 1 Model=IOMEGA ZIP 100 connector=Primary Slave capacity=100.66 Mbytes");
  // A drive that answers no identify is listed all the same, on the controller's second channel.
  EXPECT_EQ(Describe(idResult, "ideDisk1", {"Model", "connector"}),
            "ideDisk IDE Hard Disk 2 Model=Not available connector=Secondary Slave");
  EXPECT_EQ(
      Describe(idResult, "Diskette0", {"Storage", "capacity", "devicePath"}),
      "Diskette Diskette Drive 1 Storage=Diskette Drive capacity=1.47 Mbytes devicePath=\\\\.\\Floppy0");
  EXPECT_EQ(Describe(idResult, "ideDisk2", {"ideRaid"}),
            "ideDisk IDE Hard Disk 3 ideRaid=Logical drive of the controller");
  // The ATA controllers' ports are no SCSI controllers, and none of their units a SCSI device.
  EXPECT_EQ(idResult.SelectSingleNode("device[@class='ScsiController']"), nullptr);
  EXPECT_EQ(idResult.SelectSingleNode("device[@class='scsiDisk']"), nullptr);
  const XmlObject* legacy = idResult.SelectSingleNode("device[@name='IdeLegacyController0']");
  ASSERT_NE(legacy, nullptr);
  EXPECT_EQ(legacy->SelectNodes("interface").size(), 3u) << legacy->ToString();
}

TEST_F(AtaDiscovery, SmartRequestsReachTheDrive) {
  IdeDisk healthy("ideDisk", false, "\\\\.\\PhysicalDrive1");
  IdeDisk tripped("ideDisk", false, "\\\\.\\PhysicalDrive0");
  IdeDisk badChecksum("ideDisk", false, "\\\\.\\PhysicalDrive4");
  EXPECT_EQ(healthy.SmartReturnStatus(), 0);
  EXPECT_EQ(tripped.SmartReturnStatus(), 1);
  EXPECT_EQ(IdeDisk("ideDisk", false, "\\\\.\\PhysicalDrive9").SmartReturnStatus(), -1);

  std::uint8_t data[512];
  EXPECT_FALSE(badChecksum.SmartReadData(data));
  EXPECT_EQ(std::accumulate(data, data + 512, 0u), 0u);

  // A short self-test runs two simulated minutes; the status byte counts it down and ends at 0.
  ASSERT_TRUE(healthy.SmartReadData(data));
  EXPECT_EQ(data[363], 0x00);
  EXPECT_EQ(data[372], 2);
  EXPECT_EQ(healthy.SmartCommand(0xD4, 1), 0u);
  ASSERT_TRUE(healthy.SmartReadData(data));
  EXPECT_EQ(data[363] >> 4, 0xF);
  os::Current().Sleep(121'000);
  ASSERT_TRUE(healthy.SmartReadData(data));
  EXPECT_EQ(data[363], 0x00);

  // The log sector written is the one the drive keeps.
  std::uint8_t sector[512];
  for (int i = 0; i < 512; ++i) sector[i] = static_cast<std::uint8_t>(i * 3);
  EXPECT_TRUE(healthy.SmartWriteLog(0x80, sector));
  EXPECT_FALSE(IdeDisk("ideDisk", false, "\\\\.\\CdRom0").SmartWriteLog(0x80, sector));
}

TEST_F(AtaDiscovery, AMountedDiskIsNotWrittenAnotherIs) {
  IdeDisk mounted("ideDisk", false, "\\\\.\\PhysicalDrive1");
  IdeZipDrive zip("zip", false, "\\\\.\\PhysicalDrive2");
  std::vector<std::uint8_t> block(512, 0xAB);
  try {
    mounted.Access(BlockDevice::kWrite, 10, 1, block.data());
    ADD_FAILURE() << "a mounted disk was written";
  } catch (const OruError& error) {
    EXPECT_STREQ(error.what(), DiskWriteHold::kRefusedText);
  }
  std::vector<std::uint8_t> readBack(512, 0);
  mounted.Access(BlockDevice::kRead, 10, 1, readBack.data());
  EXPECT_EQ(readBack[0], 0);

  zip.Access(BlockDevice::kWrite, 10, 1, block.data());
  zip.Access(BlockDevice::kRead, 10, 1, readBack.data());
  EXPECT_EQ(readBack, block);
}

TEST_F(AtaDiscovery, DisketteGeometryFormatAndBootSector) {
  IdeFloppy diskette("Diskette", false, "\\\\.\\Floppy0");
  IdeFloppy protectedOne("Diskette", false, "\\\\.\\Floppy1");
  win::DiskGeometry geometry{};
  ASSERT_TRUE(diskette.Geometry(&geometry));
  EXPECT_EQ(geometry.MediaType, win::F3_1Pt44_512);
  EXPECT_EQ(geometry.Cylinders * geometry.TracksPerCylinder * geometry.SectorsPerTrack, 2880);
  EXPECT_EQ(diskette.DensityText(), "HighDensity 1.44");

  // Cylinder 1, head 0 is blocks 36 to 53.
  ASSERT_TRUE(diskette.FormatTracks(win::F3_1Pt44_512, 1, 1, 0, 0));
  std::vector<std::uint8_t> block(512);
  diskette.Access(BlockDevice::kRead, 53, 1, block.data());
  EXPECT_EQ(block.front(), 0xF6);
  diskette.Access(BlockDevice::kRead, 54, 1, block.data());
  EXPECT_EQ(block.front(), 0x00);
  ASSERT_TRUE(diskette.WriteBootSector());
  diskette.Access(BlockDevice::kRead, 0, 1, block.data());
  EXPECT_EQ(std::vector<std::uint8_t>(block.begin(), block.begin() + 3),
            (std::vector<std::uint8_t>{0xEB, 0x3C, 0x90}));
  EXPECT_EQ(block[510], 0x55);

  EXPECT_TRUE(diskette.Writable());
  EXPECT_FALSE(protectedOne.Writable());
  EXPECT_FALSE(protectedOne.FormatTracks(win::F3_1Pt44_512, 0, 0, 0, 1));
  EXPECT_EQ(os::Current().GetLastError(), win::ERROR_WRITE_PROTECT);
  EXPECT_FALSE(protectedOne.WriteBootSector());
}

}  // namespace
}  // namespace rb
