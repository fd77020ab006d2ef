// External array controllers behind a simulated CISS controller: each found at its physical LUN with
// the disks that follow it, a "SATA BULK" controller's disks identified with the ATA IDENTIFY CDB, and
// a read test of a disk behind an external controller carried through the controller in front.

#include <gtest/gtest.h>

#include <string>

#include "component/simdiscoveryfixture.h"
#include "controllers/cissdevice.h"
#include "controllers/raiddisk.h"
#include "controllers/sataraiddisk.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::DeviceNamed;
using rbtest::RaidControllerSummaryEntry;

constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="9" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
  </pci>
  <scsi>
    <port number="2" array="ciss" pciBus="9" pciDevice="0" pciFunction="0" board="0x52420108" slot="4">
      <drive bus="1" target="0" kind="sas" serial="FRONT001" blocks="2000"/>
      <external bus="2" target="0" model="RB SATA BULK" serial="EXTSATA1">
        <drive bus="3" target="0" kind="sata" model="RB500 SATA" serial="BULK0001" blocks="2000"/>
        <drive bus="3" target="1" kind="sata" model="RB500 SATA" serial="BULK0002" blocks="2000"/>
      </external>
      <external bus="2" target="1" model="RB EXT SAS" serial="EXTSAS02">
        <drive bus="4" target="0" kind="sas" serial="EXTD0001" blocks="2000"/>
      </external>
    </port>
  </scsi>
</machine>)";

XmlObject Summary() {
  return rbtest::RaidControllerSummary({"9"});
}

class CissExternalControllers : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override {
    Start(kMachine, Summary());
    idResult_ = XmlObject(component_.IdentifyDevices());
  }
  CissDevice& Front() { return dynamic_cast<CissDevice&>(*component_.FindDevice("cissController0")); }
  XmlObject idResult_;
};

TEST_F(CissExternalControllers, EachExternalControllerHoldsTheDisksThatFollowIt) {
  ASSERT_EQ(Front().ExternalControllers().size(), 2u) << idResult_.ToString();
  EXPECT_EQ(Front().PhysicalDisks().size(), 1u);
  struct Case {
    std::size_t external;
    bool sata;
    std::size_t disks;
    const char* caption;
  };
  for (const Case& c :
       {Case{0, true, 2, "External Array Controller 1"}, Case{1, false, 1, "External Array Controller 2"}}) {
    SCOPED_TRACE(c.caption);
    CissDevice& external = *Front().ExternalControllers()[c.external];
    EXPECT_TRUE(external.IsExternal());
    EXPECT_EQ(external.SataAttached(), c.sata);
    const XmlObject* entry = DeviceNamed(idResult_, external.Name());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->GetAttribute("caption"), c.caption);
    ASSERT_EQ(external.PhysicalDisks().size(), c.disks);
    for (RaidDisk* disk : external.PhysicalDisks())
      EXPECT_EQ(dynamic_cast<SATARaidDisk*>(disk) != nullptr, c.sata) << disk->Name();
  }
}

TEST_F(CissExternalControllers, ADiskBehindAnExternalControllerIsReadThroughTheFrontController) {
  ASSERT_EQ(Front().ExternalControllers().size(), 2u);
  RaidDisk* disk = Front().ExternalControllers()[0]->PhysicalDisks().at(1);
  const XmlObject result =
      disk->RunTest(XmlObject("<runTest device='" + disk->Name() + "' test='SeqReadTest'/>"));
  EXPECT_EQ(result.GetAttribute("currentState"), "passed") << result.ToString();
  EXPECT_EQ(Front().Last().cdb[0], 0x28);
}

}  // namespace
}  // namespace rb
