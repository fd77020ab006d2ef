#include "devices/scsi/scsidevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "devices/scsi/csmisasinterface.h"
#include "devices/scsi/scsidriver.h"
#include "devices/scsitestbench.h"
#include "support/oruerror.h"

namespace {

using rbtest::BenchScsiDevice;
using rbtest::SimulatedMachine;

std::string Text(const std::uint8_t* bytes, std::size_t count) {
  return std::string(reinterpret_cast<const char*>(bytes), count);
}

TEST(ScsiDeviceOnDemoMachine, InquiryCapacityReadAndADeclaredMediumError) {
  SimulatedMachine machine(RAVELBANK_SOURCE_DIR "/machines/demo.xml", true);
  rb::ScsiDriver port("\\\\.\\SCSI2:");
  BenchScsiDevice disk("disk", false, &port, 0, 0, 0);

  EXPECT_EQ(disk.Inquiry(), rb::kScsiGood);
  EXPECT_EQ(disk.GetDeviceType(), 0);
  EXPECT_FALSE(disk.IsRemovable());
  EXPECT_EQ(Text(disk.Record().inquiry.data() + 8, 28), "RAVEL   RB146 SCSI DISK B101");

  rb::ScsiCapacity capacity;
  EXPECT_EQ(disk.ReadCapacity(capacity), rb::kScsiGood);
  EXPECT_EQ(capacity.lastBlock, 286749487u);
  EXPECT_EQ(capacity.blockLength, 512u);

  std::uint8_t block[512];
  EXPECT_EQ(disk.ReadBlocks(0, 1, capacity.blockLength, block), rb::kScsiGood);
  EXPECT_EQ(Text(block, 22), std::string("RAVELBANK DEMO DISK 0\0", 22));

  std::uint8_t blocks[4 * 512];
  EXPECT_EQ(disk.ReadBlocks(998, 4, capacity.blockLength, blocks), rb::kScsiCheckCondition);
  EXPECT_EQ(disk.LastStatusText(),
            "Check Condition: Medium Error: Retry Count = 5: UNRECOVERED READ ERROR\n"
            "  SCSI CDB = [ 28 00 00 00 03 e6 00 00 04 00 ]\n"
            "  Sense Data = [ 70 00 03 00 00 00 00 0a 00 00 00 00 11 00 00 80 00 05 ]\n");
  // Outside the declared range, and with another command, the blocks are good.
  EXPECT_EQ(disk.ReadBlocks(1008, 4, capacity.blockLength, blocks), rb::kScsiGood);
  EXPECT_EQ(disk.VerifyBlocks(998, 4), rb::kScsiGood);
}

TEST(ScsiDeviceCommands, WriteReadVerifyAndTheirBounds) {
  SimulatedMachine machine(
      R"(<scsi><port number="0"><disk target="2" blocks="100" blockSize="4096"/></port></scsi>)");
  rb::ScsiDriver port("\\\\.\\SCSI0:");
  BenchScsiDevice disk("disk", false, &port, 0, 2, 0);
  std::vector<std::uint8_t> out(2 * 4096), in(2 * 4096);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 13);
  EXPECT_EQ(disk.WriteBlocks(98, 2, 4096, out.data()), rb::kScsiGood);
  EXPECT_EQ(disk.ReadBlocks(98, 2, 4096, in.data()), rb::kScsiGood);
  EXPECT_EQ(in, out);
  // A block never written reads as its pattern: the LBA first.
  EXPECT_EQ(disk.ReadBlocks(7, 1, 4096, in.data()), rb::kScsiGood);
  EXPECT_EQ(in[7], 7);
  EXPECT_EQ(in[6], 0);
  EXPECT_EQ(disk.ReadBlocks(99, 2, 4096, in.data()), rb::kScsiCheckCondition);
  EXPECT_EQ(disk.Record().sense[12], 0x21);  // LOGICAL BLOCK ADDRESS OUT OF RANGE

  // READ CAPACITY(16) and READ(16) through the send operation.
  const std::uint8_t capacity16[16] = {0x9E, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0};
  std::uint8_t answer[32];
  EXPECT_EQ(disk.SendCdb(capacity16, 16, answer, sizeof answer, rb::kDataIn), rb::kScsiGood);
  EXPECT_EQ(answer[7], 99);
  EXPECT_EQ(answer[10], 0x10);
  const std::uint8_t read16[16] = {0x88, 0, 0, 0, 0, 0, 0, 0, 0, 98, 0, 0, 0, 1, 0, 0};
  EXPECT_EQ(disk.SendCdb(read16, 16, in.data(), 4096, rb::kDataIn), rb::kScsiGood);
  EXPECT_EQ(std::memcmp(in.data(), out.data(), 4096), 0);

  // An address with no unit is a selection timeout at the driver; TEST UNIT READY reads it as not
  // ready.
  BenchScsiDevice absent("absent", false, &port, 0, 3, 0);
  EXPECT_FALSE(absent.TestUnitReady());
  const rb::OruError raised = rbtest::RaisedBy([&] { absent.Inquiry(); });
  EXPECT_EQ(raised.Message(), "Driver reported problem");
  EXPECT_EQ(raised.Detail(), "\\\\.\\SCSI0: The semaphore timeout period has expired.");
}

TEST(ScsiDeviceCommands, DeclaredFaultsReachTheCaller) {
  SimulatedMachine machine(R"(<scsi>
      <port number="1">
        <disk target="0" blocks="1000"><fault kind="notReady" until="5000"/></disk>
        <disk target="1" blocks="1000"><fault kind="busy" opcode="0x28"/></disk>
        <disk target="2" blocks="1000"><fault kind="driverFailure" error="1117" opcode="0x2F"/></disk>
        <disk target="3" blocks="1000"><fault sense="4" asc="0x44" ascq="0" opcode="0x00"/></disk>
      </port>
      <port number="4" openError="5"/>
    </scsi>)");
  rb::ScsiDriver port("\\\\.\\SCSI1:");
  BenchScsiDevice becomingReady("d0", false, &port, 0, 0, 0);
  EXPECT_FALSE(becomingReady.TestUnitReady());
  EXPECT_EQ(becomingReady.Record().sense[12], 0x04);
  machine.Sim().Sleep(5000);
  EXPECT_TRUE(becomingReady.TestUnitReady());

  BenchScsiDevice busy("d1", false, &port, 0, 1, 0);
  std::uint8_t block[512];
  EXPECT_EQ(busy.ReadBlocks(0, 1, 512, block), rb::kScsiBusy);
  EXPECT_EQ(busy.LastStatusText().substr(0, 11), "Device Busy");

  BenchScsiDevice failing("d2", false, &port, 0, 2, 0);
  EXPECT_EQ(failing.ReadBlocks(0, 1, 512, block), rb::kScsiGood);
  EXPECT_THROW(failing.VerifyBlocks(0, 1), rb::OruError);

  BenchScsiDevice broken("d3", false, &port, 0, 3, 0);
  EXPECT_FALSE(broken.TestUnitReady());
  EXPECT_EQ(broken.LastStatusText().substr(0, 48), "Check Condition: Hardware Error: INTERNAL TARGET");

  rb::ScsiDriver closed("\\\\.\\SCSI4:");
  BenchScsiDevice unreachable("d4", false, &closed, 0, 0, 0);
  const rb::OruError raised2 = rbtest::RaisedBy([&] { unreachable.Inquiry(); });
  EXPECT_EQ(raised2.Detail(), "\\\\.\\SCSI4: Access is denied.");
}

TEST(ScsiDeviceCommands, TestUnitReadyFailureReadsTheParentAdaptersRecord) {
  SimulatedMachine machine("");
  rb::ScsiDriver missing("\\\\.\\SCSI6:");
  BenchScsiDevice adapter("adapter", false, &missing, 0, 0, 0);
  BenchScsiDevice disk("disk", false, nullptr, 0, 1, 0);
  disk.SetParentAdapter(&adapter);
  // The adapter's last command failed with a hardware error: the failure goes on to the caller.
  adapter.Record().status = rb::kScsiCheckCondition;
  adapter.Record().sense[2] = rb::kSenseHardwareError;
  EXPECT_THROW(disk.TestUnitReady(), rb::OruError);
  // Any other state of the adapter: not ready.
  adapter.Record().sense[2] = rb::kSenseMediumError;
  EXPECT_FALSE(disk.TestUnitReady());
  const auto output = machine.Recorder().Output();
  ASSERT_FALSE(output.empty());
  EXPECT_EQ(output.back(), "scsi status = 2\n");
}

TEST(ScsiDeviceCommands, UndefinedAdapter) {
  BenchScsiDevice orphan("orphan7", false, nullptr, 0, 0, 0);
  const rb::OruError raised3 = rbtest::RaisedBy([&] { orphan.Inquiry(); });
  EXPECT_EQ(raised3.Message(), "Undefined SCSI adapter");
  EXPECT_EQ(raised3.Detail(), "Device=orphan7 Opcode=0x12");
}

TEST(ScsiDeviceCommands, ModePagesLogPagesDefectsAndTheSelfTestTimeCap) {
  SimulatedMachine machine(R"(<scsi><port number="0">
      <disk target="0" blocks="1000" selfTestMinutes="180" grownDefects="3" temperature="41"/>
      <disk target="1" blocks="1000" selfTestMinutes="181"/>
      <disk target="2" blocks="1000" selfTestMinutes="0"/>
    </port></scsi>)");
  rb::ScsiDriver port("\\\\.\\SCSI0:");
  BenchScsiDevice disk("d0", false, &port, 0, 0, 0);
  EXPECT_EQ(disk.GetExtendedOfflineSelfTestTime(), 180u);
  BenchScsiDevice longer("d1", false, &port, 0, 1, 0);
  EXPECT_EQ(longer.GetExtendedOfflineSelfTestTime(), 0u);
  BenchScsiDevice none("d2", false, &port, 0, 2, 0);
  EXPECT_EQ(none.GetExtendedOfflineSelfTestTime(), 0u);

  std::uint8_t page[12];
  EXPECT_EQ(disk.ModeSense(0x0A, page, sizeof page), rb::kScsiGood);
  EXPECT_EQ(page[0], 0x0A);
  EXPECT_EQ(disk.GrownDefectCount(), 3);

  std::uint8_t log[16];
  disk.LogSense(0x2F, 0, log, sizeof log);
  EXPECT_EQ(log[0], 0x2F);
  EXPECT_EQ(log[10], 41);
  EXPECT_THROW(disk.LogSense(0x15, 0, log, sizeof log), rb::OruError);
  EXPECT_THROW(disk.LogSelect(0x02, 0, log, sizeof log), rb::OruError);
}

TEST(ScsiDeviceCommands, BackgroundSelfTestFollowsTheSimulatedClock) {
  SimulatedMachine machine(
      R"(<scsi><port number="0"><disk target="0" blocks="1000" selfTestMinutes="60"/></port></scsi>)");
  rb::ScsiDriver port("\\\\.\\SCSI0:");
  BenchScsiDevice disk("d0", false, &port, 0, 0, 0);
  const std::uint64_t started = machine.Recorder().GetTickCount64();
  EXPECT_EQ(disk.SendDiagnostic(0x40), rb::kScsiGood);  // background extended
  std::uint8_t sense[18];
  int polls = 0;
  unsigned lastProgress = 0;
  for (;; ++polls) {
    ASSERT_EQ(disk.RequestSense(sense, sizeof sense), rb::kScsiGood);
    if (sense[12] != 0x04 || sense[13] != 0x09) break;
    const unsigned progress = sense[16] * 256u + sense[17];
    EXPECT_GE(progress, lastProgress);
    lastProgress = progress;
    machine.Recorder().Sleep(60'000);
  }
  EXPECT_EQ(polls, 60);
  EXPECT_EQ(machine.Recorder().GetTickCount64() - started, 3'600'000u);
  std::uint8_t results[4 + 20 * 20];
  disk.LogSense(0x10, 0, results, sizeof results);
  EXPECT_EQ(results[4 + 4], 0x40);  // extended, completed without error
}

TEST(ScsiDeviceCommands, IsSasDriveFromTheAdapterOrTheVersionDescriptors) {
  SimulatedMachine machine(R"(<scsi>
      <port number="0">
        <disk target="0" blocks="10" versionDescriptors="0060 0C00"/>
        <disk target="1" blocks="10" versionDescriptors="0060 0B00"/>
      </port>
      <port number="1" csmi="1"><disk target="0" blocks="10"/></port>
    </scsi>)");
  rb::ScsiDriver plain("\\\\.\\SCSI0:");
  rb::ScsiDriver csmi("\\\\.\\SCSI1:");
  BenchScsiDevice noDriver("n", false, nullptr, 0, 0, 0);
  EXPECT_FALSE(noDriver.IsSASDrive());
  BenchScsiDevice onCsmi("c", false, &csmi, 0, 0, 0);
  EXPECT_TRUE(onCsmi.IsSASDrive());
  BenchScsiDevice noParent("p", false, &plain, 0, 0, 0);
  EXPECT_FALSE(noParent.IsSASDrive());

  BenchScsiDevice adapter("a", false, &plain, 0, 7, 0);
  BenchScsiDevice sas("s", false, &plain, 0, 0, 0);
  sas.SetParentAdapter(&adapter);
  EXPECT_TRUE(sas.IsSASDrive());
  BenchScsiDevice parallel("q", false, &plain, 0, 1, 0);
  parallel.SetParentAdapter(&adapter);
  EXPECT_FALSE(parallel.IsSASDrive());
  BenchScsiDevice behindCsmi("b", false, &plain, 0, 1, 0);
  BenchScsiDevice csmiAdapter("ca", false, &csmi, 0, 7, 0);
  behindCsmi.SetParentAdapter(&csmiAdapter);
  EXPECT_TRUE(behindCsmi.IsSASDrive());
}

TEST(ScsiDeviceCommands, CsmiRoutedDisksSpeakSspAndStpThroughTheDemoAdapter) {
  SimulatedMachine machine(RAVELBANK_SOURCE_DIR "/machines/demo.xml", true);
  rb::ScsiDriver port("\\\\.\\SCSI3:");
  BenchScsiDevice adapter("sas", false, &port, 0, 0xFF, 0);
  adapter.csmiCapable = true;
  adapter.protocolMask = 0x1;

  win::CsmiSasPhyInfo phys{};
  ASSERT_TRUE(rb::CsmiSasInterface::GetPhyInfo(port, &phys, sizeof phys));
  ASSERT_EQ(phys.bNumberOfPhys, 2);
  win::CsmiSasCntlrConfig config{};
  ASSERT_TRUE(rb::CsmiSasInterface::GetControllerConfig(port, &config, sizeof config));
  EXPECT_EQ(config.usSlotNumber, 1);
  win::CsmiSasDriverInfo info{};
  ASSERT_TRUE(rb::CsmiSasInterface::GetDriverInfo(port, &info, sizeof info));
  EXPECT_STREQ(reinterpret_cast<const char*>(info.szName), "ravelsas");
  std::uint8_t raidInfo[100];
  EXPECT_TRUE(rb::CsmiSasInterface::GetRaidInfo(port, raidInfo, sizeof raidInfo));
  // The demo adapter's one RAID set: index 0 answers, index 1 is out of range.
  std::uint8_t raidConfig[172] = {};
  EXPECT_TRUE(rb::CsmiSasInterface::GetRaidConfig(port, raidConfig, sizeof raidConfig));
  raidConfig[0] = 1;
  EXPECT_FALSE(rb::CsmiSasInterface::GetRaidConfig(port, raidConfig, sizeof raidConfig));

  BenchScsiDevice sasDisk("disk", false, &port, 0, 0, 0);
  sasDisk.routesThroughCsmi = true;
  sasDisk.SetParentAdapter(&adapter);
  std::memcpy(sasDisk.Record().csmiPhyCopy.sasAddress.data(), phys.Phy[0].Attached.bSASAddress, 8);
  sasDisk.Record().csmiPhyCopy.phyIdentifier = phys.Phy[0].Attached.bPhyIdentifier;
  EXPECT_EQ(sasDisk.Inquiry(), rb::kScsiGood);
  EXPECT_EQ(Text(sasDisk.Record().inquiry.data() + 16, 14), "RB600 SAS DISK");
  EXPECT_TRUE(sasDisk.IsSASDrive());
  std::uint8_t block[512];
  EXPECT_EQ(sasDisk.ReadBlocks(5000, 1, 512, block), rb::kScsiGood);
  EXPECT_EQ(block[7], 0x88);  // 5000 = 1388h
  EXPECT_EQ(sasDisk.ReadBlocks(1172123568, 1, 512, block), rb::kScsiCheckCondition);
  EXPECT_EQ(sasDisk.Record().sense[12], 0x21);

  adapter.protocolMask = 0x4;
  BenchScsiDevice sataDisk("sata", false, &port, 0, 1, 0);
  sataDisk.routesThroughCsmi = true;
  sataDisk.SetParentAdapter(&adapter);
  sataDisk.Record().useAddressBlock = true;
  std::memcpy(sataDisk.Record().csmiAddressBlock.sasAddress.data(), phys.Phy[1].Attached.bSASAddress, 8);
  const std::uint8_t identify[20] = {0x27, 0x80, 0xEC};
  std::uint8_t data[512];
  rb::StpRegisters registers;
  EXPECT_EQ(
      port.StpPassThrough(sataDisk, registers, identify, sizeof identify, data, sizeof data, rb::kDataIn),
      0x50);
  EXPECT_EQ(registers.commandFis[2], 0xEC);
  EXPECT_EQ(registers.statusFis[2], 0x50);
  EXPECT_EQ(data[55], 'S');  // the model, byte-swapped
  EXPECT_EQ(data[54], 'I');

  adapter.protocolMask = 0;
  EXPECT_EQ(sasDisk.VerifyBlocks(0, 1), 0);  // nothing sent
}

TEST(ScsiDeviceCommands, UnloadEjectsThroughTheDrivePath) {
  SimulatedMachine machine(R"(<scsi><port number="0"><optical target="3" medium="1"/></port></scsi>)");
  rb::ScsiDriver port("\\\\.\\SCSI0:");
  BenchScsiDevice drive("cdrom", false, &port, 0, 3, 0);
  EXPECT_TRUE(drive.IsRemovable());
  EXPECT_EQ(drive.GetDeviceType(), 5);
  EXPECT_TRUE(drive.TestUnitReady());
  // A port does not eject; the drive's own path does.
  EXPECT_FALSE(drive.Unload());
  EXPECT_EQ(machine.Recorder().Output().back(), "ScsiDriver::Eject() error is 1\n");
  rb::ScsiDriver drivePath("\\\\.\\CDROM0");
  EXPECT_TRUE(drivePath.Eject());
  EXPECT_FALSE(drive.TestUnitReady());
  EXPECT_EQ(drive.Record().sense[12], 0x3A);
  rb::ScsiDriver nothing("\\\\.\\CDROM1");
  EXPECT_FALSE(nothing.Eject());
  EXPECT_EQ(machine.Recorder().Output().back(), "invalid handle: \\\\.\\CDROM1\n");
}

}  // namespace

namespace {

TEST(SimulatedDisk, VitalProductDataFormatStartStopAndForegroundSelfTests) {
  rbtest::ScratchDir files;
  const std::string backing = files.Write("disk.img", std::string(8 * 512, '\x5c'));
  SimulatedMachine machine(R"(<scsi><port number="0">
      <disk target="0" blocks="100" serial="SER-0001" selfTestResult="7"/>
      <disk target="1" blocks="8" backingFile=")" +
                           backing + R"("/>
    </port></scsi>)");
  rb::ScsiDriver port("\\\\.\\SCSI0:");
  BenchScsiDevice disk("d0", false, &port, 0, 0, 0);

  std::uint8_t vpd[64] = {};
  EXPECT_EQ(disk.InquiryVpd(0x80, vpd, sizeof vpd), rb::kScsiGood);
  EXPECT_EQ(vpd[1], 0x80);
  EXPECT_EQ(Text(vpd + 4, vpd[3]), "SER-0001");
  EXPECT_EQ(disk.InquiryVpd(0x83, vpd, sizeof vpd), rb::kScsiGood);
  EXPECT_EQ(Text(vpd + 8, 16), "RAVEL   SER-0001");
  const std::uint8_t supported[6] = {0x12, 0x01, 0x00, 0, 0xF0, 0};
  EXPECT_EQ(disk.SendCdb(supported, 6, vpd, sizeof vpd, rb::kDataIn), rb::kScsiGood);
  EXPECT_EQ(std::vector<std::uint8_t>(vpd + 3, vpd + 7), (std::vector<std::uint8_t>{3, 0x00, 0x80, 0x83}));
  EXPECT_EQ(disk.InquiryVpd(0x00, vpd, sizeof vpd), rb::kScsiGood);  // fills the inquiry cache instead
  EXPECT_TRUE(disk.Record().inquiryValid);
  EXPECT_EQ(disk.InquiryVpd(0xB0, vpd, sizeof vpd), rb::kScsiCheckCondition);

  // FORMAT UNIT forgets what was written.
  std::uint8_t block[512];
  std::memset(block, 0xEE, sizeof block);
  EXPECT_EQ(disk.WriteBlocks(3, 1, 512, block), rb::kScsiGood);
  EXPECT_EQ(disk.Format(1), rb::kScsiGood);
  EXPECT_EQ(disk.Record().cdb[1], 0x14);
  EXPECT_EQ(disk.ReadBlocks(3, 1, 512, block), rb::kScsiGood);
  EXPECT_EQ(block[7], 3);

  // START STOP UNIT: a stopped disk is not ready until started.
  const std::uint8_t stop[6] = {0x1B, 0, 0, 0, 0x00, 0};
  const std::uint8_t start[6] = {0x1B, 0, 0, 0, 0x01, 0};
  EXPECT_EQ(disk.SendCdb(stop, 6, nullptr, 0, rb::kNoData), rb::kScsiGood);
  EXPECT_FALSE(disk.TestUnitReady());
  EXPECT_EQ(disk.Record().sense[13], 0x02);  // initializing command required
  EXPECT_EQ(disk.SendCdb(start, 6, nullptr, 0, rb::kNoData), rb::kScsiGood);
  EXPECT_TRUE(disk.TestUnitReady());

  // A failing disk fails its default self-test at once, and a foreground short one after its two
  // simulated minutes, with the result in the log.
  EXPECT_EQ(disk.SendDiagnostic(0x04), rb::kScsiCheckCondition);
  const std::uint64_t before = machine.Recorder().GetTickCount64();
  EXPECT_EQ(disk.SendDiagnostic(0xA0), rb::kScsiCheckCondition);
  EXPECT_EQ(machine.Recorder().GetTickCount64() - before, 120'000u);
  std::uint8_t results[4 + 20 * 20];
  disk.LogSense(0x10, 0, results, sizeof results);
  EXPECT_EQ(results[4 + 4], 0xA7);  // foreground short, failed in segment 7
  EXPECT_EQ(results[4 + 16], rb::kSenseHardwareError);

  // A backing file holds the blocks.
  BenchScsiDevice backed("d1", false, &port, 0, 1, 0);
  EXPECT_EQ(backed.ReadBlocks(7, 1, 512, block), rb::kScsiGood);
  EXPECT_EQ(block[0], 0x5c);
  block[0] = 0x01;
  EXPECT_EQ(backed.WriteBlocks(2, 1, 512, block), rb::kScsiGood);
  std::ifstream image(backing, std::ios::binary);
  image.seekg(2 * 512);
  EXPECT_EQ(image.get(), 0x01);
}

}  // namespace
