// The component's streamable classes, registered by name before the first persistent stream is read.
// Every class that the persistent file may name is listed here.
#include "component/diskdiagnosis.h"
#include "component/storagetestcomponent.h"
#include "controllers/backplane.h"
#include "controllers/bmicdevice.h"
#include "controllers/bmicdriver.h"
#include "controllers/cissbackplane.h"
#include "controllers/cissdevice.h"
#include "controllers/cissdriver.h"
#include "controllers/logicalvolume.h"
#include "controllers/polarwindbackplane.h"
#include "controllers/raidarray.h"
#include "controllers/raiddisk.h"
#include "controllers/sataraiddisk.h"
#include "controllers/sesdiagapi.h"
#include "devices/ata/atacontroller.h"
#include "devices/ata/idecdrom.h"
#include "devices/ata/idedisk.h"
#include "devices/ata/idefloppy.h"
#include "devices/ata/idezipdrive.h"
#include "devices/ata/satadisk.h"
#include "devices/ata/usbidedisk.h"
#include "devices/fibre/winfibreadapter.h"
#include "devices/scsi/csmilogicalvolume.h"
#include "devices/scsi/scsicdrom.h"
#include "devices/scsi/scsicontroller.h"
#include "devices/scsi/scsidisk.h"
#include "devices/scsi/scsidriver.h"
#include "devices/scsi/usbdisk.h"
#include "devices/tape/scsitape.h"
#include "devices/tape/scsitapetestpattern.h"
#include "devices/tape/usbtape.h"
#include "framework/booleanparameter.h"
#include "framework/enumerationparameter.h"
#include "framework/hexparameter.h"
#include "framework/enumoption.h"
#include "framework/interface.h"
#include "framework/numericparameter.h"
#include "framework/parameterlist.h"
#include "framework/persistent.h"
#include "framework/searchdevice.h"
#include "framework/stringparameter.h"
#include "support/xmlobject.h"
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

void RegisterComponentClasses() {
  RegisterStreamableClass<StorageTestComponent>();
  RegisterStreamableClass<DiskDiagnosis>();
  RegisterStreamableClass<SearchDevice>();
  RegisterStreamableClass<ScsiDriver>();
  RegisterStreamableClass<ScsiController>();
  RegisterStreamableClass<CsmiLogicalVolume>();
  RegisterStreamableClass<CissDriver>();
  RegisterStreamableClass<BmicDriver>();
  RegisterStreamableClass<BmicDevice>();
  RegisterStreamableClass<CissDevice>();
  RegisterStreamableClass<RaidDisk>();
  RegisterStreamableClass<RaidArray>();
  RegisterStreamableClass<SATARaidDisk>();
  RegisterStreamableClass<SESDiagApi>();
  RegisterStreamableClass<CissBackPlane>();
  RegisterStreamableClass<Backplane>();
  RegisterStreamableClass<PolarwindBackplane>();
  RegisterStreamableClass<LogicalVolume>();
  RegisterStreamableClass<ScsiDisk>();
  RegisterStreamableClass<ScsiCdrom>();
  RegisterStreamableClass<USBDisk>();
  RegisterStreamableClass<USBFloppy>();
  RegisterStreamableClass<AtaController>();
  RegisterStreamableClass<IdeDisk>();
  RegisterStreamableClass<SataDisk>();
  RegisterStreamableClass<UsbIdeDisk>();
  RegisterStreamableClass<IdeCdrom>();
  RegisterStreamableClass<IdeZipDrive>();
  RegisterStreamableClass<IdeFloppy>();
  RegisterStreamableClass<ScsiTape>();
  RegisterStreamableClass<UsbTape>();
  RegisterStreamableClass<ScsiTapeTestPattern>();
  RegisterStreamableClass<ScsiEjectTapeTest>();
  RegisterStreamableClass<ScsiTapeTest>();
  RegisterStreamableClass<ScsiInsertTapeTest>();
  RegisterStreamableClass<WinFibreAdapter>();
  RegisterStreamableClass<FibreLoopBackTest>();
  RegisterStreamableClass<EOSTTest>();
  RegisterStreamableClass<SOSTTest>();
  RegisterStreamableClass<SelfTest>();
  RegisterStreamableClass<ShortSelfTest>();
  RegisterStreamableClass<ScsiDfltSelfTest>();
  RegisterStreamableClass<SmartErrorTest>();
  RegisterStreamableClass<IdeSmartErrTest>();
  RegisterStreamableClass<SMARTCheckTest>();
  RegisterStreamableClass<GrownDefectsTest>();
  RegisterStreamableClass<NVRAMTest>();
  RegisterStreamableClass<SESNVRAMTest>();
  RegisterStreamableClass<LocalNvramHeaderTest>();
  RegisterStreamableClass<FlashPart>();
  RegisterStreamableClass<WriteNvramResourceTest>();
  RegisterStreamableClass<Interface>();
  RegisterStreamableClass<ParameterList>();
  RegisterStreamableClass<EnumOption>();
  // Both numeric widths share their name and stream alike; the 32-bit kind stands for both.
  RegisterStreamableClass<NumericParameter<int>>();
  RegisterStreamableClass<BooleanParameter>();
  RegisterStreamableClass<StringParameter>();
  RegisterStreamableClass<EnumerationParameter>();
  RegisterStreamableClass<StreamProxy>();
  RegisterStreamableClass<XmlObject>();
  RegisterStreamableClass<XmlAttribute>();
  RegisterStreamableClass<AccessTest>();
  RegisterStreamableClass<ZipAccessTest>();
  RegisterStreamableClass<IdeFloppyAccessTest>();
  // The optical, diskette and zip drives' tests.
  RegisterStreamableClass<CdromTURTest>();
  RegisterStreamableClass<CdromUsbTurTest>();
  RegisterStreamableClass<CdNoMediaTest>();
  RegisterStreamableClass<CdUsbNoMediaTest>();
  RegisterStreamableClass<CDRemoveVerificationTest>();
  RegisterStreamableClass<TrayTest>();
  RegisterStreamableClass<CdIntTest>();
  RegisterStreamableClass<CdLedTest>();
  RegisterStreamableClass<CdWRCTest>();
  RegisterStreamableClass<CdromAccessTest>();
  RegisterStreamableClass<FloppyUWPTest>();
  RegisterStreamableClass<FloppyRMTest>();
  RegisterStreamableClass<FloppyWRCTest>();
  RegisterStreamableClass<FloppyVerifyTest>();
  RegisterStreamableClass<FloppySoftErrorTest>();
  RegisterStreamableClass<FloppyResetTest>();
  RegisterStreamableClass<FloppyLedTest>();
  RegisterStreamableClass<FloppyFormatTest>();
  RegisterStreamableClass<ZipEjectTest>();
  // The enclosure, LED and controller-signal tests.
  RegisterStreamableClass<BlinkLEDTest>();
  RegisterStreamableClass<LEDColorTest>();
  RegisterStreamableClass<LEDTest>();
  RegisterStreamableClass<AlarmPageTest>();
  RegisterStreamableClass<ChassisSerialNumberTest>();
  RegisterStreamableClass<LoadCurrentTest>();
  RegisterStreamableClass<SASControllerLEDTest>();
  RegisterStreamableClass<SASEccCntTest>();
  RegisterStreamableClass<SASJBODPSoCTest>();
  RegisterStreamableClass<SASJBODWWNTest>();
  RegisterStreamableClass<ExpPhySpeedMapTest>();
  RegisterStreamableClass<ControllerPhySpeedMapTest>();
  RegisterStreamableClass<ExpressLinkWidthTest>();
  RegisterStreamableClass<PICInterruptLineTest>();
  RegisterStreamableClass<ExtSasNoTEDBoardTest>();
  RegisterStreamableClass<wwidRangeCheckTest>();
  RegisterStreamableClass<VerifyWWIDTest>();
  RegisterStreamableClass<CissCmdDebugger>();
  RegisterStreamableClass<SESLEDTest>();
  RegisterStreamableClass<SESBPLEDTest>();
  RegisterStreamableClass<SESFanLEDTest>();
  RegisterStreamableClass<SESPSLEDTest>();
  RegisterStreamableClass<SESHealthLEDTest>();
  RegisterStreamableClass<SESUIDLEDTest>();
  RegisterStreamableClass<SESFanSpeedTest>();
  RegisterStreamableClass<DriveMapTest>();
  RegisterStreamableClass<VerifyExpanderWWIDTest>();
  RegisterStreamableClass<HexParameter>();
  RegisterStreamableClass<FaultToleranceTest>();
  RegisterStreamableClass<RaidDiagTest>();
  RegisterStreamableClass<RaidDiagNVRAM>();
  RegisterStreamableClass<RaidDiagFirmwareVersionCheck>();
  RegisterStreamableClass<RaidScsiTest>();
  RegisterStreamableClass<BusSpeedTest>();
  RegisterStreamableClass<SasVerLinkSpeedTest>();
}

}  // namespace rb
