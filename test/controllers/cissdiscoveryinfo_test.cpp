// The discovery information of SAS controllers on a simulated machine: every property read with the
// vendor sub-functions, in its format, and a controller that refuses them all keeping its entry.

#include <gtest/gtest.h>

#include <string>

#include "component/simdiscoveryfixture.h"
#include "controllers/cissdevice.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::DeviceNamed;
using rbtest::Property;
using rbtest::RaidControllerSummaryEntry;

// Two controllers of the SAS set: the first describes itself, the second has no <vendorInfo>.
constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="9" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="10" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
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
  </scsi>
</machine>)";

XmlObject Summary() {
  return rbtest::RaidControllerSummary({"9", "10"});
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

}  // namespace
}  // namespace rb
