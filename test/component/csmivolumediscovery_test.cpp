// The RAID volumes of a host adapter that answers CSMI: the simulated adapter's get-RAID-info and
// get-RAID-config answers, the volumes discovery makes of them (captions, capacities, RAID levels and
// the member disks), an adapter that refuses the RAID requests, and the volumes' persistent form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "component/componentfile.h"
#include "component/discoveryrun.h"
#include "component/simdiscoveryfixture.h"
#include "devices/scsi/csmilogicalvolume.h"
#include "devices/scsi/csmisasinterface.h"
#include "devices/scsi/scsidriver.h"
#include "framework/ptstream.h"
#include "support/debug.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

// A SAS adapter in slot 2 of PCI bus 6 with a SAS disk on phy 0, a SATA disk on phy 1 and nothing
// attached behind phys 2 to 7; a RAID set of each kind the caption, capacity and level texts tell
// apart. `raid` goes into the port's start tag.
std::string Machine(const std::string& raid = "") {
  std::string phys;
  for (int phy = 2; phy < 8; ++phy)
    phys += "<phy id=\"" + std::to_string(phy) + "\" sasAddress=\"0x500000000000000" + std::to_string(phy) +
            "\" target=\"" + std::to_string(phy) + "\"/>";
  return R"(<machine>
  <pci>
    <function bus="6" device="0" function="0" vendorID="0x1000" deviceID="0x0097" classCode="0x010700"
              description="RB SAS HBA" osDeviceID="PCI\VEN_1000&amp;DEV_0097\6&amp;0&amp;0"/>
  </pci>
  <scsi>
    <port number="0" csmi="1" pciBus="6" pciDevice="0" pciFunction="0" slot="2" )" +
         raid + R"(>
      <phy id="0" sasAddress="0x5000C50012345671" protocol="ssp" target="0"/>
      <phy id="1" sasAddress="0x5000C50012345672" protocol="sata" target="1"/>)" +
         phys + R"(
      <disk target="0" vendor="RAVEL" product="RB600 SAS DISK" blocks="1172123568" versionDescriptors="0C00"/>
      <disk target="1" vendor="ATA" product="ST8000NM0055-1RM" blocks="15628053168"/>
      <raidSet level="1" capacityMB="572325" members="0 1" status="degraded"/>
      <raidSet level="0" capacityMB="953" members="2"/>
      <raidSet typeCode="0" capacityMB="0" members="3"/>
      <raidSet level="10" capacityMB="4294967295" members="4"/>
      <raidSet level="1e" capacityMB="1000" members="5"/>
      <raidSet level="other" capacityMB="1000" members="6"/>
      <raidSet typeCode="0x7F" capacityMB="1000" members="7"/>
    </port>
  </scsi>
</machine>)";
}

XmlObject Summary() {
  XmlObject summary;
  summary.SetName("pciSummary");
  summary.AddChild(
      rbtest::PciFunctionEntry("6", "0", "0", "010700", "RB SAS HBA", "PCI\\VEN_1000&DEV_0097\\6&0&0"));
  return summary;
}

// The names of the child entries under a volume element's "sata-ARRAY" node.
std::vector<std::string> Members(const XmlObject& volume) {
  std::vector<std::string> names;
  const XmlObject* array = volume.SelectSingleNode("array[@name='sata-ARRAY']");
  if (array == nullptr) return names;
  for (const XmlObject& child : array->Children())
    if (child.Name() == "interface" && child.GetAttribute("role") == "child")
      names.push_back(child.GetAttribute("name"));
  return names;
}

std::vector<const XmlObject*> Volumes(const XmlObject& idResult) {
  std::vector<const XmlObject*> volumes;
  for (const XmlObject& child : idResult.Children())
    if (child.Name() == "device" && child.GetAttribute("name").rfind("csmiVolume", 0) == 0)
      volumes.push_back(&child);
  return volumes;
}

class CsmiVolumeDiscovery : public rbtest::SimDiscoveryTest {};

TEST_F(CsmiVolumeDiscovery, TheAdapterAnswersItsSetsInTheCsmiLayouts) {
  Start(Machine().c_str(), Summary());
  ScsiDriver port("\\\\.\\SCSI0:");
  win::CsmiSasRaidInfo info{};
  ASSERT_TRUE(CsmiSasInterface::GetRaidInfo(port, &info, sizeof info));
  EXPECT_EQ(info.uNumRaidSets, 7u);
  EXPECT_EQ(info.uMaxDrivesPerSet, 8u);

  // Room for both drives of set 0.
  std::vector<std::uint8_t> full(sizeof(win::CsmiSasRaidConfig) + sizeof(win::CsmiSasRaidDrives), 0);
  ASSERT_TRUE(CsmiSasInterface::GetRaidConfig(port, full.data(), static_cast<std::uint32_t>(full.size())));
  win::CsmiSasRaidConfig config;
  std::memcpy(&config, full.data(), sizeof config);
  EXPECT_EQ(config.uCapacity, 572325u);
  EXPECT_EQ(config.bRaidType, win::CSMI_SAS_RAID_TYPE_1);
  EXPECT_EQ(config.bStatus, win::CSMI_SAS_RAID_SET_STATUS_DEGRADED);
  EXPECT_EQ(config.bDriveCount, 2);
  win::CsmiSasRaidDrives second;
  std::memcpy(&second, full.data() + offsetof(win::CsmiSasRaidConfig, Drives) + sizeof second, sizeof second);
  const std::uint8_t address[8] = {0x50, 0x00, 0xC5, 0x00, 0x12, 0x34, 0x56, 0x72};
  EXPECT_EQ(std::memcmp(second.bSASAddress, address, 8), 0);
  EXPECT_EQ(second.bDriveType, win::CSMI_SAS_DRIVE_TYPE_SATA);

  // Room for one record: the record that fits and the "too big" count.
  std::uint8_t shorter[sizeof(win::CsmiSasRaidConfig)] = {};
  ASSERT_TRUE(CsmiSasInterface::GetRaidConfig(port, shorter, sizeof shorter));
  EXPECT_EQ(shorter[offsetof(win::CsmiSasRaidConfig, bDriveCount)], win::CSMI_SAS_RAID_DRIVE_COUNT_TOO_BIG);
  EXPECT_EQ(
      shorter[offsetof(win::CsmiSasRaidConfig, Drives) + offsetof(win::CsmiSasRaidDrives, bSASAddress) + 7],
      0x71);

  // An index past the last set is out of range: refused without an error.
  std::uint8_t past[sizeof(win::CsmiSasRaidConfig)] = {7};
  EXPECT_FALSE(CsmiSasInterface::GetRaidConfig(port, past, sizeof past));
}

TEST_F(CsmiVolumeDiscovery, EachSetBecomesAVolumeWithItsTextsAndMembers) {
  Start(Machine().c_str(), Summary());
  const XmlObject idResult = DiscoveryRun(component_).Run();
  const std::vector<const XmlObject*> volumes = Volumes(idResult);
  ASSERT_EQ(volumes.size(), 7u) << idResult.ToString();
  const struct {
    const char* capacity;
    const char* level;
  } expected[] = {
      {"600 Gbytes", "RAID 1"},      {"1 Gbytes", "RAID 0"},  {"0 Gbytes", "None"},
      {"4503600 Gbytes", "RAID 10"}, {"1 Gbytes", "RAID 1E"}, {"1 Gbytes", "Other"},
      {"1 Gbytes", "Unknown"},
  };
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    const XmlObject& volume = *volumes[i];
    EXPECT_EQ(volume.GetAttribute("caption"),
              "Logical Volume " + std::to_string(i + 1) + " Controller Slot 2 bus 6");
    EXPECT_EQ(volume.GetAttribute("class"), "logicalVolume");
    EXPECT_EQ(volume.GetPropertyValue("capacity"), expected[i].capacity) << i;
    EXPECT_EQ(volume.GetPropertyValue("raidLevel"), expected[i].level) << i;
  }
  EXPECT_EQ(volumes[0]->GetPropertyValue("status"), "Degraded");
  // The mirror's members are the disks discovery made for the two phys; no disk answers behind phy 2.
  EXPECT_EQ(Members(*volumes[0]), (std::vector<std::string>{"sasDisk0", "sataDisk0"}));
  EXPECT_EQ(Members(*volumes[1]), (std::vector<std::string>{"5000000000000002"}));
  EXPECT_NE(idResult.SelectSingleNode("device[@name='sasDisk0']"), nullptr);
  EXPECT_NE(idResult.SelectSingleNode("device[@name='sataDisk0']"), nullptr);
  // The controller lists each volume as its child.
  const XmlObject* controller = idResult.SelectSingleNode("device[@name='SCTRL0']");
  ASSERT_NE(controller, nullptr);
  EXPECT_NE(controller->SelectSingleNode("interface[@name='csmiVolume6']"), nullptr)
      << controller->ToString();
}

// A driver that understates its drive limit answers the mirror's first request with the "too big"
// count; discovery asks again with more room and gets both members.
TEST_F(CsmiVolumeDiscovery, ASetLargerThanTheReportedLimitIsAskedForAgainWithMoreRoom) {
  Start(Machine("csmiMaxDrives=\"1\"").c_str(), Summary());
  const XmlObject idResult = DiscoveryRun(component_).Run();
  const std::vector<const XmlObject*> volumes = Volumes(idResult);
  ASSERT_EQ(volumes.size(), 7u) << idResult.ToString();
  EXPECT_EQ(Members(*volumes[0]), (std::vector<std::string>{"sasDisk0", "sataDisk0"}));
  EXPECT_EQ(Members(*volumes[1]), (std::vector<std::string>{"5000000000000002"}));
}

TEST_F(CsmiVolumeDiscovery, AnAdapterThatRefusesTheRaidRequestsHasNoVolumes) {
  Start(Machine("csmiRaid=\"0\"").c_str(), Summary());
  SetDebugEnabled(true);
  const XmlObject idResult = DiscoveryRun(component_).Run();
  SetDebugEnabled(false);
  EXPECT_TRUE(Volumes(idResult).empty());
  EXPECT_NE(idResult.SelectSingleNode("device[@name='sasDisk0']"), nullptr);
  const std::vector<std::string> trace = trace_->Output();
  EXPECT_NE(std::find(trace.begin(), trace.end(),
                      "AddCsmiVolumes: \\\\.\\SCSI0: refused the RAID information: Driver reported problem: "
                      "Bad CSMI control code : 10\n"),
            trace.end());
}

TEST_F(CsmiVolumeDiscovery, ASetTheAdapterRefusesIsSkipped) {
  std::string machine = Machine();
  const std::string second = R"(members="2")";
  machine.replace(machine.find(second), second.size(), second + R"( refused="1")");
  Start(machine.c_str(), Summary());
  SetDebugEnabled(true);
  const XmlObject idResult = DiscoveryRun(component_).Run();
  SetDebugEnabled(false);
  const std::vector<const XmlObject*> volumes = Volumes(idResult);
  ASSERT_EQ(volumes.size(), 6u);
  // The volumes keep the numbers of their sets.
  EXPECT_EQ(volumes[0]->GetAttribute("caption"), "Logical Volume 1 Controller Slot 2 bus 6");
  EXPECT_EQ(volumes[1]->GetAttribute("caption"), "Logical Volume 3 Controller Slot 2 bus 6");
  const std::vector<std::string> trace = trace_->Output();
  EXPECT_NE(std::find(trace.begin(), trace.end(),
                      "AddCsmiVolumes: \\\\.\\SCSI0: refused RAID set 1: Driver reported problem: "
                      "CSMI operation failed\n"),
            trace.end());
}

TEST_F(CsmiVolumeDiscovery, AVolumeReadBackDescribesItselfTheSame) {
  Start(Machine().c_str(), Summary());
  const XmlObject idResult = DiscoveryRun(component_).Run();
  const XmlObject* found = idResult.SelectSingleNode("device[@name='csmiVolume0']");
  ASSERT_NE(found, nullptr);
  optstream out;
  WriteComponent(out, component_);
  iptstream in(out.Bytes());
  const std::unique_ptr<TestComponent> read = ReadComponent(in);
  ASSERT_NE(read, nullptr);
  auto* volume = dynamic_cast<CsmiLogicalVolume*>(read->FindDevice("csmiVolume0"));
  ASSERT_NE(volume, nullptr);
  XmlObject described;
  volume->Describe(described, false);
  EXPECT_EQ(described.ToString(), XmlObject(*found).ToString());
}

}  // namespace
}  // namespace rb
