// The component's test classes, registered by name so that the device families' test lists can make
// them. Each test class joins here as it is built.
#include "framework/testfactory.h"
#include "tests/accesstest.h"
#include "tests/cdromaccesstest.h"
#include "tests/enclosure/blinkledtest.h"
#include "tests/enclosure/alarmpagetest.h"
#include "tests/enclosure/chassisserialnumbertest.h"
#include "tests/enclosure/ledcolortest.h"
#include "tests/enclosure/ledtest.h"
#include "tests/enclosure/loadcurrenttest.h"
#include "tests/enclosure/sascontrollerledtest.h"
#include "tests/enclosure/sasecccnttest.h"
#include "tests/enclosure/sasjbodpsoctest.h"
#include "tests/enclosure/sasjbodwwntest.h"
#include "tests/enclosure/expphyspeedmaptest.h"
#include "tests/enclosure/controllerphyspeedmaptest.h"
#include "tests/enclosure/expresslinkwidthtest.h"
#include "tests/enclosure/picinterruptlinetest.h"
#include "tests/enclosure/extsasnotedboardtest.h"
#include "tests/enclosure/wwidrangechecktest.h"
#include "tests/enclosure/verifywwidtest.h"
#include "tests/enclosure/cisscmddebugger.h"
#include "tests/enclosure/sesledtest.h"
#include "tests/enclosure/sesbpledtest.h"
#include "tests/enclosure/sesfanledtest.h"
#include "tests/enclosure/sespsledtest.h"
#include "tests/enclosure/seshealthledtest.h"
#include "tests/enclosure/sesuidledtest.h"
#include "tests/enclosure/sesfanspeedtest.h"
#include "tests/enclosure/drivemaptest.h"
#include "tests/enclosure/verifyexpanderwwidtest.h"
#include "tests/eosttest.h"
#include "tests/fibreloopbacktest.h"
#include "tests/growndefectstest.h"
#include "tests/idefloppyaccesstest.h"
#include "tests/idesmarterrtest.h"
#include "tests/raid/busspeedtest.h"
#include "tests/raid/faulttolerancetest.h"
#include "tests/raid/raiddiagfirmwareversioncheck.h"
#include "tests/raid/raiddiagnvram.h"
#include "tests/raid/raiddiagtest.h"
#include "tests/raid/raidscsitest.h"
#include "tests/raid/sasverlinkspeedtest.h"
#include "tests/nvram/flashpart.h"
#include "tests/nvram/localnvramheadertest.h"
#include "tests/nvram/nvramtest.h"
#include "tests/nvram/sesnvramtest.h"
#include "tests/nvram/writenvramresourcetest.h"
#include "tests/removable/cdinttest.h"
#include "tests/removable/cdledtest.h"
#include "tests/removable/cdnomediatest.h"
#include "tests/removable/cdremoveverificationtest.h"
#include "tests/removable/cdromturtest.h"
#include "tests/removable/cdromusbturtest.h"
#include "tests/removable/cdusbnomediatest.h"
#include "tests/removable/cdwrctest.h"
#include "tests/removable/floppyformattest.h"
#include "tests/removable/floppyledtest.h"
#include "tests/removable/floppyresettest.h"
#include "tests/removable/floppyrmtest.h"
#include "tests/removable/floppysofterrortest.h"
#include "tests/removable/floppyuwptest.h"
#include "tests/removable/floppyverifytest.h"
#include "tests/removable/floppywrctest.h"
#include "tests/removable/traytest.h"
#include "tests/removable/zipejecttest.h"
#include "tests/scsidfltselftest.h"
#include "tests/scsiejecttapetest.h"
#include "tests/scsiinserttapetest.h"
#include "tests/scsitapetest.h"
#include "tests/selftest.h"
#include "tests/shortselftest.h"
#include "tests/smartchecktest.h"
#include "tests/smarterrortest.h"
#include "tests/sosttest.h"
#include "tests/zipaccesstest.h"

namespace rb {

namespace {

template <class T>
void Register(const char* name) {
  RegisterTestMaker(name, []() -> std::unique_ptr<Test> { return std::make_unique<T>(); });
}

template <class T>
void RegisterConfigured(const char* name) {
  RegisterConfiguredTestMaker(name, [](const TestConfig& config) -> std::unique_ptr<Test> {
    return std::make_unique<T>(config);
  });
}

// The loopback variants are one class, each with its mode.
template <std::size_t Variant>
void RegisterFibreLoopBack() {
  RegisterTestMaker(FibreLoopBackTest::kVariants[Variant].name, []() -> std::unique_ptr<Test> {
    return std::make_unique<FibreLoopBackTest>(FibreLoopBackTest::kVariants[Variant].mode);
  });
}

}  // namespace

void RegisterComponentTests() {
  // The access test's instances, each fixed to one mode and order.
  RegisterTestMaker("SeqReadTest", [] { return AccessTest::MakeInstance("SeqReadTest"); });
  RegisterTestMaker("RandReadTest", [] { return AccessTest::MakeInstance("RandReadTest"); });
  RegisterTestMaker("BflyReadTest", [] { return AccessTest::MakeInstance("BflyReadTest"); });
  RegisterTestMaker("SeqRwrcTest", [] { return AccessTest::MakeInstance("SeqRwrcTest"); });
  RegisterTestMaker("RandRwrcTest", [] { return AccessTest::MakeInstance("RandRwrcTest"); });
  Register<ZipAccessTest>("ZipAccessTest");
  Register<IdeFloppyAccessTest>("IdeFloppyAccessTest");
  Register<ScsiEjectTapeTest>("ScsiEjectTapeTest");
  Register<ScsiTapeTest>("ScsiTapeTest");
  Register<ScsiInsertTapeTest>("ScsiInsertTapeTest");
  RegisterFibreLoopBack<0>();
  RegisterFibreLoopBack<1>();
  RegisterFibreLoopBack<2>();
  Register<EOSTTest>("EOSTTest");
  Register<SOSTTest>("SOSTTest");
  Register<SelfTest>("SelfTest");
  Register<ShortSelfTest>("ShortSelfTest");
  Register<ScsiDfltSelfTest>("ScsiDfltSelfTest");
  Register<SmartErrorTest>("SmartErrorTest");
  Register<IdeSmartErrTest>("IdeSmartErrTest");
  Register<SMARTCheckTest>("SMARTCheckTest");
  Register<GrownDefectsTest>("GrownDefectsTest");
  // The optical, diskette and zip drives' tests.
  Register<CdromTURTest>("CdromTURTest");
  Register<CdromUsbTurTest>("CdromUsbTurTest");
  Register<CdNoMediaTest>("CdNoMediaTest");
  Register<CdUsbNoMediaTest>("CdUsbNoMediaTest");
  Register<CDRemoveVerificationTest>("CDRemoveVerificationTest");
  Register<TrayTest>("TrayTest");
  Register<CdIntTest>("CdIntTest");
  Register<CdLedTest>("CdLedTest");
  Register<CdWRCTest>("CdWRCTest");
  Register<CdromAccessTest>("CdromAccessTest");
  Register<FloppyUWPTest>("FloppyUWPTest");
  Register<FloppyRMTest>("FloppyRMTest");
  Register<FloppyWRCTest>("FloppyWRCTest");
  Register<FloppyVerifyTest>("FloppyVerifyTest");
  Register<FloppySoftErrorTest>("FloppySoftErrorTest");
  Register<FloppyResetTest>("FloppyResetTest");
  Register<FloppyLedTest>("FloppyLedTest");
  Register<FloppyFormatTest>("FloppyFormatTest");
  Register<ZipEjectTest>("ZipEjectTest");
  // The enclosure, LED and controller-signal tests.
  Register<BlinkLEDTest>("BlinkLEDTest");
  Register<LEDColorTest>("LEDColorTest");
  RegisterConfigured<LEDColorTest>("LEDColorTest");
  Register<LEDTest>("LEDTest");
  Register<AlarmPageTest>("AlarmPageTest");
  Register<ChassisSerialNumberTest>("ChassisSerialNumberTest");
  Register<LoadCurrentTest>("LoadCurrentTest");
  RegisterConfigured<LoadCurrentTest>("LoadCurrentTest");
  Register<SASControllerLEDTest>("SASControllerLEDTest");
  Register<SASEccCntTest>("SASEccCntTest");
  Register<SASJBODPSoCTest>("SASJBODPSoCTest");
  Register<SASJBODWWNTest>("SASJBODWWNTest");
  Register<ExpPhySpeedMapTest>("ExpPhySpeedMapTest");
  Register<ControllerPhySpeedMapTest>("ControllerPhySpeedMapTest");
  Register<ExpressLinkWidthTest>("ExpressLinkWidthTest");
  Register<PICInterruptLineTest>("PICInterruptLineTest");
  Register<ExtSasNoTEDBoardTest>("ExtSasNoTEDBoardTest");
  Register<wwidRangeCheckTest>("wwidRangeCheckTest");
  RegisterConfigured<wwidRangeCheckTest>("wwidRangeCheckTest");
  Register<VerifyWWIDTest>("VerifyWWIDTest");
  Register<CissCmdDebugger>("CissCmdDebugger");
  RegisterConfigured<CissCmdDebugger>("CissCmdDebugger");
  Register<SESLEDTest>("SESLEDTest");
  RegisterConfigured<SESLEDTest>("SESLEDTest");
  Register<SESBPLEDTest>("SESBPLEDTest");
  RegisterConfigured<SESBPLEDTest>("SESBPLEDTest");
  Register<SESFanLEDTest>("SESFanLEDTest");
  Register<SESPSLEDTest>("SESPSLEDTest");
  Register<SESHealthLEDTest>("SESHealthLEDTest");
  Register<SESUIDLEDTest>("SESUIDLEDTest");
  Register<SESFanSpeedTest>("SESFanSpeedTest");
  Register<DriveMapTest>("DriveMapTest");
  Register<VerifyExpanderWWIDTest>("VerifyExpanderWWIDTest");
  Register<FaultToleranceTest>("FaultToleranceTest");
  Register<RaidScsiTest>("RaidScsiTest");
  Register<BusSpeedTest>("BusSpeedTest");
  Register<SasVerLinkSpeedTest>("SasVerLinkSpeedTest");
  RegisterConfigured<RaidDiagTest>("RaidDiagTest");
  RegisterConfigured<RaidDiagNVRAM>("RaidDiagNVRAM");
  RegisterConfigured<RaidDiagFirmwareVersionCheck>("RaidDiagFirmwareVersionCheck");
  // The NVRAM tests: a controller makes one NVRAMTest per part.
  RegisterConfiguredTestMaker("NVRAMTest", &NVRAMTest::Make);
  RegisterConfiguredTestMaker("SESNVRAMTest", &SESNVRAMTest::Make);
  Register<LocalNvramHeaderTest>("LocalNvramHeaderTest");
  Register<FlashPart>("FlashPart");
  Register<WriteNvramResourceTest>("WriteNvramResourceTest");
  RegisterConfiguredTestMaker("WriteNvramResourceTest", &WriteNvramResourceTest::Make);
}

}  // namespace rb
