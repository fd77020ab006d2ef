// The discovery information of SAS controllers on a simulated machine: every property read with the
// vendor sub-functions, in its format, a controller that refuses them all keeping its entry, and the
// NVRAM parts' blocks with the warnings of the parts that cannot be read.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/simdiscoveryfixture.h"
#include "controllers/cissdevice.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::Block;
using rbtest::DeviceNamed;
using rbtest::Property;
using rbtest::RaidControllerSummaryEntry;
using rbtest::WarningKeys;

// Two controllers of the plain SAS board (it keeps no NVRAM parts): the first describes itself, the
// second has no <vendorInfo>. A storage-box controller whose every part answers, and a reduced-memory one
// with a bootstrap part that fails its checksum, an empty local part and no cache, SPD or battery part.
constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="9" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="10" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="11" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="12" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
  </pci>
  <scsi>
    <port number="2" array="ciss" pciBus="9" pciDevice="0" pciFunction="0" board="0x52420108" slot="4">
      <drive bus="1" target="0" kind="sas" blocks="2000"/>
      <vendorInfo cpld="0x010203" diagRom="0x0105" picRevision="0x21" batteryStatus="0x02"
                  extendedBatteryStatus="0x80" batteryVoltage="4100" batteryCapacity="95" chargeTimeout="120"
                  wwn="0x500143800A1B2C30" expanderWwn="0x500143800A1B2C3F" asic="0x0A" sasChip1="0x03"
                  sasChip2="0x04" pmcMuxCode="0x10" pmcMuxRevision="0x01" expanderAsic="0xB2"
                  pcaSerial="PCA0001234" recoveryRomRev="1.50" activeImage="B" imageGood="1"
                  backplaneType="0x02" backplaneFirmware="0110" bootstrapNvramRev="3" boxCount="2"
                  chassisSerial="CHS000777"/>
    </port>
    <port number="3" array="ciss" pciBus="10" pciDevice="0" pciFunction="0" board="0x52420108" slot="5">
      <drive bus="1" target="0" kind="sas" blocks="2000"/>
    </port>
    <port number="4" array="ciss" pciBus="11" pciDevice="0" pciFunction="0" board="0x52420103" slot="6">
      <drive bus="1" target="0" kind="sas" blocks="2000"/>
      <nvram address="0xA0" size="1024" vendorId="0x1000" deviceId="0x0A51" productName="RB S430"
             autoRev="030102" assembly="A430" serial="PBKUC0ARH1A0" boardSignature="52 42 01 03 0A 5f"/>
      <nvram address="0xA1" assembly="A431" autoRev="0A0B0C"/>
      <nvram address="0xA8" productName="RB Bootstrap"/>
      <nvram address="0xA9" serial="CACHE01"/>
      <nvram address="0xAB" productName="RB 512MB"/>
      <nvram address="0xC1" size="128" assembly="B110"/>
      <nvram address="0xC3" size="128" assembly="B111"/>
      <nvram address="0xC5" size="128" serial="BATT3"/>
    </port>
    <port number="5" array="ciss" pciBus="12" pciDevice="0" pciFunction="0" board="0x52420106" slot="7">
      <drive bus="1" target="0" kind="sas" blocks="2000"/>
      <nvram address="0xA1" size="1024" vendorId="0x1000" deviceId="0x0A51"/>
      <nvram address="0xAD" assembly="A210" badChecksum="1"/>
      <nvram address="0xA8" autoRev="020001" badChecksum="1"/>
    </port>
  </scsi>
</machine>)";

XmlObject Summary() {
  return rbtest::RaidControllerSummary({"9", "10", "11", "12"});
}

class CissDiscoveryInformation : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override {
    Start(kMachine, Summary());
    idResult_ = XmlObject(component_.IdentifyDevices());
  }
  XmlObject idResult_;
};

TEST_F(CissDiscoveryInformation, EveryPropertyInItsFormat) {
  const XmlObject* controller = DeviceNamed(idResult_, "cissController0");
  ASSERT_NE(controller, nullptr) << idResult_.ToString();
  const std::pair<const char*, const char*> expected[] = {
      {"DiagROM_Version", "0x0105"},
      {"CPLD_Version", "0x010203"},
      {"ControllerAsicRevision", "0A"},
      {"SasChip1Revision", "03"},
      {"SasChip2Revision", "04"},
      {"PmcMuxCode", "10"},
      {"PmcMuxRevision", "01"},
      {"ExpanderAsicRevision", "B2"},
      {"WorldWideName", "500143800A1B2C30"},
      {"ExpanderWorldWideName", "500143800A1B2C3F"},
      {"PcaSerialNumber", "PCA0001234"},
      {"ChassisSerialNumber", "CHS000777"},
      {"StorageBoxCount", "2"},
      {"RecoveryRomInactiveRev", "1.50"},
      {"RecoveryRomActiveImage", "Image B, Good"},
      {"ScsiBackplaneType", "02"},
      {"ScsiBackplaneFirmware", "0110"},
      {"bootStrapNvramRev", "03"},
      {"PicRevision", "21"},
      {"PicBatteryStatus", "02"},
      {"PicExtendedBatteryStatus", "80"},
      {"PicBatteryVoltage", "4100 mV"},
      {"PicBatteryCapacity", "95%"},
      {"PicBatteryChargeTimeout", "120 minutes"},
  };
  for (const auto& [name, value] : expected) EXPECT_EQ(Property(*controller, name), value) << name;
}

TEST_F(CissDiscoveryInformation, AControllerThatRefusesTheSubFunctionsKeepsItsEntryWithoutThem) {
  const XmlObject* controller = DeviceNamed(idResult_, "cissController1");
  ASSERT_NE(controller, nullptr) << idResult_.ToString();
  EXPECT_EQ(Property(*controller, "PciBus"), "10");
  for (const char* name :
       {"DiagROM_Version", "CPLD_Version", "WorldWideName", "PcaSerialNumber", "PicRevision"})
    EXPECT_EQ(Property(*controller, name), "(none)") << name;
  auto& refusing = dynamic_cast<CissDevice&>(*component_.FindDevice("cissController1"));
  EXPECT_THROW(refusing.WorldWideNames(), OruError);
}

TEST_F(CissDiscoveryInformation, ASubFunctionSentWithTheOtherCdbIsRefused) {
  auto& controller = dynamic_cast<CissDevice&>(*component_.FindDevice("cissController0"));
  std::uint8_t reply[16] = {};
  // The world wide names are read with 26h; 27h names CDB byte 0 as the invalid field.
  try {
    controller.SendVendorCommand(0xDA, 0, false, reply, sizeof reply, kDataIn);
    FAIL() << "the wrong CDB was answered";
  } catch (const OruError& error) {
    EXPECT_NE(error.Detail().find("Invalid Command"), std::string::npos) << error.Detail();
  }
}

// The properties of one NVRAM block, as "name=value" in their order.
std::vector<std::string> BlockFields(const XmlObject& controller, const std::string& name) {
  const XmlObject* block = Block(controller, name);
  if (block == nullptr) return {"(no block)"};
  std::vector<std::string> fields;
  for (const XmlObject& child : block->Children())
    fields.push_back(child.GetAttribute("name") + "=" + child.GetAttribute("value"));
  return fields;
}

TEST_F(CissDiscoveryInformation, EveryNvramPartOfTheBoardShowsItsIdentityInABlock) {
  const XmlObject* controller = DeviceNamed(idResult_, "cissController2");
  ASSERT_NE(controller, nullptr) << idResult_.ToString();
  using Fields = std::vector<std::string>;
  const std::pair<const char*, Fields> expected[] = {
      // The local part's fields follow its header.
      {"localNvram",
       {"productName=RB S430", "autoRev=0x030102", "assemblyNumber=A430", "serialNumber=PBKUC0ARH1A0",
        "boardSignature=524201030a5f"}},
      {"mfgNvram", {"autoRev=0x0a0b0c", "assemblyNumber=A431"}},
      {"bootstrapNvram", {"productName=RB Bootstrap"}},
      {"cacheNvram", {"serialNumber=CACHE01"}},
      {"spdInfo", {"productName=RB 512MB"}},
      {"battery1Nvram", {"assemblyNumber=B110"}},
      {"battery2Nvram", {"assemblyNumber=B111"}},
      {"battery3Nvram", {"serialNumber=BATT3"}},
  };
  for (const auto& [name, fields] : expected) EXPECT_EQ(BlockFields(*controller, name), fields) << name;
  EXPECT_EQ(Block(*controller, "localNvram")->GetAttribute("caption"), "Local NVRAM information");
  EXPECT_TRUE(WarningKeys(*controller).empty());
}

TEST_F(CissDiscoveryInformation, PartsThatCannotBeReadRecordTheirWarningsAndTheListGoesOn) {
  const XmlObject* controller = DeviceNamed(idResult_, "cissController3");
  ASSERT_NE(controller, nullptr) << idResult_.ToString();
  // The bootstrap part is shown, and its bad checksum recorded; a bad manufacturing checksum is the NVRAM
  // test's to judge. The missing batteries say nothing.
  EXPECT_EQ(BlockFields(*controller, "localNvram"), std::vector<std::string>{});
  EXPECT_EQ(BlockFields(*controller, "mfgNvram"), std::vector<std::string>{"assemblyNumber=A210"});
  EXPECT_EQ(BlockFields(*controller, "bootstrapNvram"), std::vector<std::string>{"autoRev=0x020001"});
  for (const char* absent : {"cacheNvram", "spdInfo", "battery1Nvram", "battery3Nvram"})
    EXPECT_EQ(Block(*controller, absent), nullptr) << absent;
  EXPECT_EQ(
      WarningKeys(*controller),
      (std::vector<std::string>{"errCissDiscoveryBootstrapNvram:Error reading bootstrap NVRAM CRC",
                                "errCissDiscoveryCacheNvram:Error encountered during cache nvram retrieval",
                                "errCissDiscoverySPDInfo:Error encountered during SPD info retrieval"}));
  // The properties before the blocks are all there.
  EXPECT_EQ(Property(*controller, "PciBus"), "12");
}

TEST_F(CissDiscoveryInformation, ABoardWithoutNvramPartsShowsNoBlocksAndNoWarnings) {
  const XmlObject* controller = DeviceNamed(idResult_, "cissController0");
  ASSERT_NE(controller, nullptr) << idResult_.ToString();
  EXPECT_EQ(Block(*controller, "localNvram"), nullptr);
  EXPECT_TRUE(WarningKeys(*controller).empty());
}

}  // namespace
}  // namespace rb
