#include "controllers/backplanetestlist.h"

#include "framework/device.h"
#include "framework/test.h"
#include "framework/testfactory.h"

namespace rb {

namespace {

CissTestEntry Entry(std::string_view testClass, std::string caption, std::string name,
                    std::vector<int> codes = {}) {
  return {0, testClass, std::move(name), std::move(caption), std::move(codes)};
}

CissTestEntry Plain(std::string_view testClass) {
  return {0, testClass, std::string(testClass), std::string(testClass), {}};
}

}  // namespace

std::vector<CissTestEntry> CissBackPlaneTestList() {
  // The enclosure part codes: 3 I/O manufacturing, 4 midplane, 5 and 6 backplanes 1 and 2 as the
  // controller's list has them; the parts only the backplane offers take the free codes from 13 on.
  return {
      Entry("SESNVRAMTest", "SES backplane(1) NVRAM test", "SESBP1NVRAMTest", {5}),
      Entry("SESNVRAMTest", "SES backplane(2) NVRAM test", "SESBP2NVRAMTest", {6}),
      Entry("SESNVRAMTest", "SES backplane(3) NVRAM test", "SESBP3NVRAMTest", {13}),
      Entry("SESNVRAMTest", "SES backplane(4) NVRAM test", "SESBP4NVRAMTest", {14}),
      Entry("SESNVRAMTest", "SES midplane NVRAM test", "SESMPNVRAMTest", {4}),
      Entry("SESNVRAMTest", "SES IO MFG NVRAM test", "SESIOMFGNVRAMTest", {3}),
      Entry("SESNVRAMTest", "Midplane slot (1) NVRAM", "SESMPSlot1NVRAMTest", {15}),
      Entry("SESNVRAMTest", "Midplane slot (2) NVRAM", "SESMPSlot2NVRAMTest", {16}),
      Entry("SESNVRAMTest", "Midplane storage enclosure management setting",
            "SESMPStorEnclMgmtSettingNVRAMTest", {17}),
      Entry("SESNVRAMTest", "SES fan control module(1) NVRAM test", "SESFCM1NVRAMTest", {18}),
      Entry("SESNVRAMTest", "SES fan control module(2) NVRAM test", "SESFCM2NVRAMTest", {19}),
      Entry("SESNVRAMTest", "SES seven segment display NVRAM test", "SESSSDNVRAMTest", {20}),
      Entry("WriteNvramResourceTest", "Write NVRAM resource", "writeNvramResourceTest"),
      Entry("SESLEDTest", "SES backplane Led test", "SESBPLEDTest", {15, 1, 16, 16}),
      Entry("SESBPLEDTest", "SES backplane TriColor LED test", "SESBPTRIColorLEDTest", {15, 2, 16, 16}),
      Plain("DriveMapTest"),
      Plain("SESFanSpeedTest"),
      Plain("SESFanLEDTest"),
      Plain("SESPSLEDTest"),
      Plain("SESHealthLEDTest"),
      Plain("SESUIDLEDTest"),
      Plain("VerifyWWIDTest"),
      Plain("VerifyExpanderWWIDTest"),
  };
}

std::vector<CissTestEntry> BackplaneTestList(bool chassisSerial) {
  if (!chassisSerial) return {};
  return {Plain("LEDTest"), Plain("AlarmPageTest"), Plain("ChassisSerialNumberTest")};
}

void OfferTestEntries(Device& device, XmlObject& element, const std::vector<CissTestEntry>& list) {
  for (const CissTestEntry& entry : list)
    device.OfferTest(element, MakeConfiguredTest(entry.testClass, {entry.name, entry.caption, entry.codes}));
}

}  // namespace rb
