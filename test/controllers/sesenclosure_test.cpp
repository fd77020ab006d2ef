// The enclosures behind a CISS controller and the controllers' backplanes on a simulated machine:
// enclosure access (discovery, handles, element records, setting a slot's LEDs), the SES backplane's
// catalog entry with its element blocks and warnings, and the chassis serial number of a backplane
// processor.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/componentfile.h"
#include "component/simdiscoveryfixture.h"
#include "controllers/cissbackplane.h"
#include "controllers/cissdevice.h"
#include "controllers/polarwindbackplane.h"
#include "controllers/sesdiagapi.h"
#include "controllers/seslayouts.h"
#include "framework/ptstream.h"
#include "platform/sim/array/simarraycontroller.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::Block;
using rbtest::DeviceNamed;
using rbtest::Property;
using rbtest::RaidControllerSummaryEntry;
using rbtest::WarningKeys;
namespace ses = seslayout;

// Port 2: a storage-box controller whose enclosure has every element kind, with the edge values
// (a temperature with only the over-temperature warning, a fan that is off, a power supply with an
// invalid status code), and two more enclosures. Port 3: a storage box without enclosures. Port 4: a
// storage box whose enclosure fails the element query. Ports 5 to 7: a serial-number backplane
// that keeps what is sent, one that does not take it, and one whose controller fails its buffer reads.
constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="9" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="10" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="11" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="12" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="13" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
    <function bus="14" device="0" function="0" vendorID="0x1000" deviceID="0x0A51" classCode="0x010400"/>
  </pci>
  <scsi>
    <port number="2" array="ciss" pciBus="9" board="0x52420101">
      <backplane bus="1" target="15" vendor="RAVEL" product="RB STORAGE BOX" revision="0200"/>
      <sesEnclosure vendor="RAVEL" product="RB SAS BOX" revision="0150">
        <firmware kind="sep" revision="0150"/>
        <firmware kind="bpm" revision="0210"/>
        <firmware kind="bpm" revision="0211"/>
        <temperature value="30" status="3" byte3="0x04"/>
        <temperature value="55" fault="overFailure"/>
        <fan speed="600" status="7" byte3="0x08"/>
        <fan speed="0" fault="failed"/>
        <powerSupply/>
        <powerSupply fault="missing"/>
        <powerSupply status="9"/>
        <slots count="4"/>
        <expander wwn="0x50014380A1B2C300" vendorId="0x1000" asicId="0x0222" asicRevision="0x03"
                  phys="0 1 2 3 - -"/>
        <buffer id="5" text="ASSY=B112" size="256"/>
      </sesEnclosure>
      <sesEnclosure handle="0x200"/>
      <sesEnclosure handle="0x300"/>
    </port>
    <port number="3" array="ciss" pciBus="10" board="0x52420101">
      <backplane bus="1" target="15" vendor="RAVEL" product="RB STORAGE BOX" revision="0200"/>
    </port>
    <port number="4" array="ciss" pciBus="11" board="0x52420101">
      <backplane bus="1" target="15" vendor="RAVEL" product="RB STORAGE BOX" revision="0200"/>
      <sesEnclosure failPages="0x12"><temperature value="30"/></sesEnclosure>
    </port>
    <port number="5" array="ciss" pciBus="12" board="0x52420108">
      <backplane bus="2" target="15" vendor="RAVEL" product="POLARWIND BP8" chassisSerial="CZ3491AB7K"/>
    </port>
    <port number="6" array="ciss" pciBus="13" board="0x52420108">
      <backplane bus="2" target="15" vendor="RAVEL" product="POLARWIND BP8" chassisSerial="CZ3491AB7K"
                 chassisSerialFixed="1"/>
    </port>
    <port number="7" array="ciss" pciBus="14" board="0x52420108">
      <backplane bus="2" target="15" vendor="RAVEL" product="POLARWIND BP8" chassisSerial="CZ3491AB7K"/>
      <cissFault status="1" opcode="0x08"/>
    </port>
  </scsi>
</machine>)";

XmlObject Summary() {
  return rbtest::RaidControllerSummary({"9", "10", "11", "12", "13", "14"});
}

class SesEnclosure : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override { Start(kMachine, Summary()); }
  XmlObject Identify() { return XmlObject(component_.IdentifyDevices()); }
  // The backplane device behind the controller on `port` (its PCI bus is the port number plus 7).
  template <class T>
  T* BackplaneOf(const XmlObject& idResult, std::int32_t port) {
    for (const XmlObject& child : idResult.Children()) {
      auto* device = dynamic_cast<T*>(component_.FindDevice(child.GetAttribute("name")));
      auto* controller = device == nullptr ? nullptr : dynamic_cast<CissDevice*>(device->ParentAdapter());
      if (controller == nullptr) continue;
      std::int32_t bus = -1, slot = -1, function = -1;
      controller->PciLocation(bus, slot, function);
      if (bus == port + 7) return device;
    }
    return nullptr;
  }
  const XmlObject* ElementOf(const XmlObject& idResult, const Device* device) {
    return device == nullptr ? nullptr : DeviceNamed(idResult, device->Name());
  }
};

TEST_F(SesEnclosure, TheBackplaneEntryShowsTheEnclosuresPartsAndTheirStatusTexts) {
  const XmlObject idResult = Identify();
  const XmlObject* entry = ElementOf(idResult, BackplaneOf<CissBackPlane>(idResult, 2));
  ASSERT_NE(entry, nullptr) << idResult.ToString();
  EXPECT_EQ(Property(*entry, "vendor"), "RAVEL");
  EXPECT_EQ(Property(*entry, "product"), "RB SAS BOX");
  EXPECT_EQ(Property(*entry, "sepFWRev"), "0150");
  EXPECT_EQ(Property(*entry, "bpmFWRev2"), "0211") << "two of a kind are numbered";
  EXPECT_TRUE(WarningKeys(*entry).empty()) << entry->ToString();

  struct Case {
    const char* block;
    const char* property;
    const char* value;
  };
  const Case cases[] = {
      {"tempElement1", "status", "Non critical condition is detected"},
      {"tempElement1", "temperature", "30"},
      {"tempElement1", "overTempWarning", "Yes"},
      {"tempElement1", "overTempFailure", "No"},
      {"tempElement1", "underTempFailure", "No"},
      {"tempElement1", "underTempWarning", "No"},
      {"tempElement2", "status", "Critical condition is detected"},
      {"tempElement2", "overTempFailure", "Yes"},
      {"fanElement1", "status",
       "Element installed, no know error, but element has not been turned on or set into operation"},
      {"fanElement1", "off", "Yes"},
      {"fanElement1", "fail", "No"},
      {"fanElement1", "requestOn", "No"},
      {"fanElement1", "actSpeed", "600"},
      {"fanElement1", "actSpeedCode", "00"},
      {"fanElement2", "fail", "Yes"},
      {"psElement1", "status", "OK"},
      {"psElement2", "status", "Element is not installed"},
      {"psElement3", "status", "Invalid"},
      {"expAsicRev1", "asicId", "00000222"},
      {"expAsicRev1", "wwn", "50014380A1B2C300"},
  };
  for (const Case& c : cases) {
    const XmlObject* block = Block(*entry, c.block);
    ASSERT_NE(block, nullptr) << c.block << "\n" << entry->ToString();
    EXPECT_EQ(Property(*block, c.property), c.value) << c.block << " " << c.property;
  }
  EXPECT_EQ(Block(*entry, "tempElement3"), nullptr) << "the other enclosures have no sensors";
}

TEST_F(SesEnclosure, NoEnclosuresGiveAnEntryWithoutBlocksOrWarnings) {
  const XmlObject idResult = Identify();
  CissBackPlane* backplane = BackplaneOf<CissBackPlane>(idResult, 3);
  const XmlObject* entry = ElementOf(idResult, backplane);
  ASSERT_NE(entry, nullptr) << idResult.ToString();
  EXPECT_EQ(backplane->Ses().EnclosureCount(), 0u);
  for (const XmlObject& child : entry->Children()) {
    EXPECT_NE(child.Name(), "warning") << child.ToString();
    EXPECT_NE(child.Name(), "propertyGroup") << child.ToString();
  }
}

TEST_F(SesEnclosure, AFailingElementQueryLeavesItsBlocksOutWithTheirWarnings) {
  const XmlObject idResult = Identify();
  const XmlObject* entry = ElementOf(idResult, BackplaneOf<CissBackPlane>(idResult, 4));
  ASSERT_NE(entry, nullptr) << idResult.ToString();
  EXPECT_EQ(WarningKeys(*entry),
            (std::vector<std::string>{"errTempInfo:Error adding temperature Info",
                                      "errFanInfo:Error adding fan Info",
                                      "errPowerSupplyInfo:Error adding power supply Info"}));
  EXPECT_EQ(Block(*entry, "tempElement1"), nullptr);
  EXPECT_EQ(Property(*entry, "vendor"), "RAVEL") << "the inquiry buffer still reads";
}

TEST_F(SesEnclosure, AnIndexBeyondTheEnclosuresHasNoHandleAndSendsNothing) {
  const XmlObject idResult = Identify();
  CissBackPlane* backplane = BackplaneOf<CissBackPlane>(idResult, 2);
  ASSERT_NE(backplane, nullptr);
  SESDiagApi& api = backplane->Ses();
  ASSERT_EQ(api.EnclosureCount(), 3u);
  EXPECT_EQ(api.Handle(1), 0x200);
  EXPECT_EQ(api.Handle(5), 0xFFFF);
  std::vector<std::uint8_t> buffer(16, 0xAA);
  ASSERT_TRUE(api.ReadEnclosureBuffer(0, 5, buffer));
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 9), "ASSY=B112");
  const CissDevice::LastCommand before = backplane->Controller()->Last();
  EXPECT_FALSE(api.ReadEnclosureBuffer(5, 5, buffer));
  EXPECT_FALSE(api.SetElement(5, ses::kTypeArrayDeviceSlot, 0, {ses::kControlSelect, 0, ses::kSlotIdent, 0}));
  EXPECT_EQ(api.QueryByte(5, ses::kTypeCooling), -1);
  EXPECT_EQ(backplane->Controller()->Last().cdb, before.cdb) << "nothing was sent";
}

TEST_F(SesEnclosure, SettingASlotLightsItsLedsAndTheStatusShowsThem) {
  const XmlObject idResult = Identify();
  CissBackPlane* backplane = BackplaneOf<CissBackPlane>(idResult, 2);
  ASSERT_NE(backplane, nullptr);
  SESDiagApi& api = backplane->Ses();
  os::SimSesEnclosure& enclosure = *machine_->ArrayController(2)->Enclosures()[0];
  ASSERT_TRUE(api.SetElement(0, ses::kTypeArrayDeviceSlot, 2,
                             {ses::kControlSelect, 0, ses::kSlotIdent, ses::kSlotFault}));
  EXPECT_TRUE(enclosure.SlotIdentify(2));
  EXPECT_TRUE(enclosure.SlotFault(2));
  EXPECT_FALSE(enclosure.SlotIdentify(1));
  EXPECT_EQ(backplane->Controller()->Last().cdb[ses::cdb::kPage], ses::kPageSetElement);
  std::vector<SesElementRecord> slots;
  ASSERT_TRUE(api.ReadElements(0, ses::kTypeArrayDeviceSlot, slots));
  ASSERT_EQ(slots.size(), 4u);
  EXPECT_EQ(slots[2][2] & ses::kSlotIdent, ses::kSlotIdent) << "read back as the status";
  EXPECT_EQ(slots[1][2] & ses::kSlotIdent, 0);
  EXPECT_EQ(api.QueryByte(0, ses::kTypeArrayDeviceSlot), 4);
  EXPECT_FALSE(api.SetElement(0, ses::kTypeArrayDeviceSlot, 4, {ses::kControlSelect, 0, 0, 0}))
      << "no fifth slot";
}

TEST_F(SesEnclosure, TheNvramRegionsReadWholeAndTakeWritesInSevenByteRecords) {
  const XmlObject idResult = Identify();
  CissBackPlane* backplane = BackplaneOf<CissBackPlane>(idResult, 2);
  ASSERT_NE(backplane, nullptr);
  CissDevice& controller = *backplane->Controller();
  std::vector<std::uint8_t> region = controller.ReadSesNvram(5);
  ASSERT_EQ(region.size(), 1024u);
  EXPECT_EQ(controller.Last().cdb[0], 0x26);
  EXPECT_EQ(std::string(region.begin(), region.begin() + 9), "ASSY=B112");
  // Nine bytes from offset 5 go as two records: seven, then two.
  controller.WriteSesNvram(5, 5, {'C', '7', '7', '0', '-', 'R', 'E', 'V', '2'});
  EXPECT_EQ(controller.Last().cdb[0], 0x27);
  EXPECT_EQ(controller.Last().cdb[8], 0xDE);
  EXPECT_EQ(controller.Last().cdb[9], 5);
  region = controller.ReadSesNvram(5);
  EXPECT_EQ(std::string(region.begin(), region.begin() + 14), "ASSY=C770-REV2");
  // A region the enclosure does not have, and a write past a region's end, are refused.
  EXPECT_THROW(controller.ReadSesNvram(77), OruError);
  EXPECT_THROW(controller.WriteSesNvram(5, 252, {1, 2, 3, 4, 5, 6}), OruError);
}

TEST_F(SesEnclosure, StatusTextsCoverEveryCode) {
  EXPECT_EQ(SESDiagApi::StatusText(0x00), "Status detection is not implemented");
  EXPECT_EQ(SESDiagApi::StatusText(0x81), "OK") << "only the low four bits count";
  EXPECT_EQ(SESDiagApi::StatusText(0x06), "Sensor has failed or element status is not available");
  for (std::uint8_t code = 8; code < 16; ++code) EXPECT_EQ(SESDiagApi::StatusText(code), "Invalid");
}

TEST_F(SesEnclosure, TheChassisSerialNumberVerifiesAndWrites) {
  const XmlObject idResult = Identify();
  struct Case {
    std::int32_t port;
    const char* expected;
    int verify;
    int write;
  };
  const Case cases[] = {
      {5, "CZ3491AB7K", PolarwindBackplane::kMatch, PolarwindBackplane::kMatch},
      {6, "CZ0000000X", PolarwindBackplane::kMismatch, PolarwindBackplane::kMismatch},
      {7, "CZ3491AB7K", PolarwindBackplane::kTransferFailed, PolarwindBackplane::kTransferFailed},
  };
  for (const Case& c : cases) {
    PolarwindBackplane* backplane = BackplaneOf<PolarwindBackplane>(idResult, c.port);
    ASSERT_NE(backplane, nullptr) << c.port << idResult.ToString();
    EXPECT_EQ(backplane->VerifyChassisSerial(c.expected), c.verify) << c.port;
    EXPECT_EQ(backplane->WriteChassisSerial("NEWSERIAL01"), c.write) << c.port;
  }
  PolarwindBackplane* kept = BackplaneOf<PolarwindBackplane>(idResult, 5);
  EXPECT_EQ(kept->VerifyChassisSerial("NEWSERIAL01"), PolarwindBackplane::kMatch) << "the write stuck";
  const XmlObject* entry = ElementOf(idResult, BackplaneOf<PolarwindBackplane>(idResult, 6));
  ASSERT_NE(entry, nullptr);
  const XmlObject* serial = Block(*entry, "Chassis Serial Number");
  ASSERT_NE(serial, nullptr) << entry->ToString();
  EXPECT_EQ(Property(*serial, "text"), "CZ3491AB7K");
  EXPECT_EQ(Property(*serial, "rawHex").substr(0, 12), "00 00 43 5A ");
}

TEST_F(SesEnclosure, BackplanesComeBackFromThePersistentFormWithTheirHandlesAndController) {
  const XmlObject idResult = Identify();
  CissBackPlane* original = BackplaneOf<CissBackPlane>(idResult, 2);
  ASSERT_NE(original, nullptr);
  optstream out;
  WriteComponent(out, component_);
  iptstream in(out.Bytes());
  const std::unique_ptr<TestComponent> read = ReadComponent(in);
  ASSERT_NE(read, nullptr);
  auto* backplane = dynamic_cast<CissBackPlane*>(read->FindDevice(original->Name()));
  ASSERT_NE(backplane, nullptr);
  ASSERT_NE(backplane->Controller(), nullptr);
  EXPECT_EQ(read->FindDevice(backplane->Controller()->Name()), backplane->Controller());
  EXPECT_EQ(backplane->Ses().Controller(), backplane->Controller()) << "the access keeps the same controller";
  EXPECT_EQ(backplane->Ses().EnclosureCount(), 3u);
  EXPECT_EQ(backplane->Ses().Handle(2), 0x300);
  auto* serial = dynamic_cast<PolarwindBackplane*>(
      read->FindDevice(BackplaneOf<PolarwindBackplane>(idResult, 5)->Name()));
  ASSERT_NE(serial, nullptr);
  EXPECT_EQ(serial->InquiryData(), BackplaneOf<PolarwindBackplane>(idResult, 5)->InquiryData());
}

}  // namespace
}  // namespace rb
