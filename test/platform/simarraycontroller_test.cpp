// The simulated array controller through the bytes its driver carries: each test builds the miniport
// requests as the controller transports do and reads the replies at the offsets of arraylayouts.h.

#include "platform/sim/array/simarraycontroller.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "controllers/arrayboards.h"
#include "controllers/arraylayouts.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"

namespace {

namespace layout = rb::arraylayout;
using layout::DriverKind;
using layout::Get16;
using layout::Get32;

std::vector<std::uint8_t> Framed(DriverKind kind, std::uint32_t code, std::size_t total) {
  std::vector<std::uint8_t> request(total);
  layout::Put32(request.data(), layout::header::kHeaderLength, layout::kHeaderSize);
  const auto signature = layout::SignatureOf(kind);
  std::memcpy(request.data() + layout::header::kSignature, signature.signature.data(),
              signature.signature.size());
  layout::Put32(request.data(), layout::header::kTimeout, signature.timeout);
  layout::Put32(request.data(), layout::header::kControlCode, code);
  layout::Put32(request.data(), layout::header::kLength,
                static_cast<std::uint32_t>(total - layout::kHeaderSize));
  return request;
}

class SimArrayController : public testing::Test {
 protected:
  void Load(const std::string& ports) {
    platform_ = std::make_unique<os::SimPlatform>(
        dir_.Write("machine.xml", R"(<machine><pci><function bus="9" device="2" function="1" vendorID="0x1234"
        deviceID="0x5678"/></pci><scsi>)" +
                                      ports + "</scsi></machine>"));
  }
  win::DWORD Send(int port, std::vector<std::uint8_t>& request) {
    const win::HANDLE handle =
        platform_->CreateFile("\\\\.\\SCSI" + std::to_string(port) + ":",
                              win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
    EXPECT_NE(handle, win::INVALID_HANDLE_VALUE);
    win::DWORD returned = 0;
    const bool ok = platform_->DeviceIoControl(handle, layout::kMiniportIoctl, request.data(),
                                               static_cast<win::DWORD>(request.size()), request.data(),
                                               static_cast<win::DWORD>(request.size()), &returned);
    const win::DWORD error = ok ? win::ERROR_SUCCESS : platform_->GetLastError();
    platform_->CloseHandle(handle);
    return error;
  }
  static std::uint32_t ReturnCode(const std::vector<std::uint8_t>& request) {
    return Get32(request.data(), layout::header::kReturnCode);
  }
  // A BMIC command; answers the BMIC status, the reply in `data`.
  std::uint8_t Bmic(int port, std::uint8_t command, std::uint8_t unit, std::uint32_t parameter,
                    std::vector<std::uint8_t>& data, std::uint16_t count = 1) {
    auto request =
        Framed(DriverKind::kBmic, layout::kBmicControlCode, layout::kBmicRequestSize + data.size());
    request[layout::bmic::kUnit] = unit;
    request[layout::bmic::kCommand] = command;
    layout::Put16(request.data(), layout::bmic::kParameter2, count);
    layout::Put32(request.data(), layout::bmic::kParameter, parameter);
    std::copy(data.begin(), data.end(), request.begin() + layout::bmic::kData);
    EXPECT_EQ(Send(port, request), win::ERROR_SUCCESS);
    EXPECT_EQ(ReturnCode(request), 0u);
    std::copy_n(request.begin() + layout::bmic::kData, data.size(), data.begin());
    return request[layout::bmic::kStatus];
  }
  std::vector<std::uint8_t> ScsiThroughBmic(int port, std::uint8_t bus, std::uint8_t target,
                                            std::vector<std::uint8_t> cdb, std::vector<std::uint8_t>& data) {
    auto request = Framed(DriverKind::kBmic, layout::kScsiThroughBmicControlCode,
                          layout::kScsiThroughBmicRequestSize + data.size());
    request[layout::scsibmic::kPath] = bus;
    request[layout::scsibmic::kTarget] = target;
    request[layout::scsibmic::kCdbLength] = static_cast<std::uint8_t>(cdb.size());
    std::copy(cdb.begin(), cdb.end(), request.begin() + layout::scsibmic::kCdb);
    layout::Put32(request.data(), layout::scsibmic::kTimeout, 30);
    std::copy(data.begin(), data.end(), request.begin() + layout::scsibmic::kData);
    EXPECT_EQ(Send(port, request), win::ERROR_SUCCESS);
    std::copy_n(request.begin() + layout::scsibmic::kData, data.size(), data.begin());
    return request;
  }
  // A CISS request; answers the whole request with its returned fields, the data in `data`.
  std::vector<std::uint8_t> Ciss(int port, const std::uint8_t (&lun)[8], std::vector<std::uint8_t> cdb,
                                 std::vector<std::uint8_t>& data,
                                 std::uint32_t direction = layout::kCissDataIn) {
    auto request =
        Framed(DriverKind::kCiss, layout::kCissControlCode, layout::kCissRequestSize + data.size());
    std::memcpy(request.data() + layout::ciss::kLun, lun, 8);
    layout::Put16(request.data(), layout::ciss::kTimeout, 60);
    request[layout::ciss::kCdbLength] = static_cast<std::uint8_t>(cdb.size());
    std::copy(cdb.begin(), cdb.end(), request.begin() + layout::ciss::kCdb);
    layout::Put32(request.data(), layout::ciss::kDirection, direction);
    std::copy(data.begin(), data.end(), request.begin() + layout::ciss::kData);
    EXPECT_EQ(Send(port, request), win::ERROR_SUCCESS);
    EXPECT_EQ(ReturnCode(request), 0u);
    std::copy_n(request.begin() + layout::ciss::kData, data.size(), data.begin());
    return request;
  }
  static std::uint16_t CissStatus(const std::vector<std::uint8_t>& request) {
    return Get16(request.data(), layout::ciss::kCommandStatus);
  }

  rbtest::ScratchDir dir_;
  std::unique_ptr<os::SimPlatform> platform_;
};

constexpr std::uint8_t kController[8] = {};

TEST_F(SimArrayController, ControllerQueriesAnswerTheClassAndPciLocationOfEitherKind) {
  Load(R"(<port number="0" array="bmic" pciBus="9" pciDevice="2" pciFunction="1"/>
          <port number="1" array="ciss"/>
          <port number="2"><disk blocks="8"/></port>)");
  const std::tuple<int, DriverKind, std::uint8_t> cases[] = {{0, DriverKind::kQueryBmic, 1},
                                                             {0, DriverKind::kQueryCiss, 1},
                                                             {1, DriverKind::kQueryCiss, 4},
                                                             {1, DriverKind::kQueryBmic, 4}};
  for (const auto& [port, kind, wanted] : cases) {
    auto config = Framed(kind, layout::kQueryConfig, layout::kConfigSize);
    ASSERT_EQ(Send(port, config), win::ERROR_SUCCESS);
    EXPECT_EQ(ReturnCode(config), 0u);
    const std::uint8_t* body = config.data() + layout::kHeaderSize;
    EXPECT_EQ(body[layout::config::kClass], wanted) << port;
    auto status = Framed(kind, layout::kQueryStatus, layout::kStatusSize);
    ASSERT_EQ(Send(port, status), win::ERROR_SUCCESS);
    EXPECT_EQ(ReturnCode(status), 0u);
    if (port == 0) {
      EXPECT_EQ(body[layout::config::kBusType], layout::kBusTypePci);
      EXPECT_EQ(body[layout::config::kPciBus], 9);
      EXPECT_EQ(body[layout::config::kPciDevice], 2);
      EXPECT_EQ(body[layout::config::kPciFunction], 1);
    }
  }
  // A plain SCSI port has no miniport of this kind.
  auto config = Framed(DriverKind::kQueryCiss, layout::kQueryConfig, layout::kConfigSize);
  EXPECT_EQ(Send(2, config), win::ERROR_NOT_SUPPORTED);

  // The other controller kind's requests, unknown codes and broken framing.
  auto bmicOnCiss = Framed(DriverKind::kBmic, layout::kBmicControlCode, layout::kBmicRequestSize + 512);
  EXPECT_EQ(Send(1, bmicOnCiss), win::ERROR_SUCCESS);
  EXPECT_EQ(ReturnCode(bmicOnCiss), layout::kReturnInvalidParameter);
  auto cissOnBmic = Framed(DriverKind::kCiss, layout::kCissControlCode, layout::kCissRequestSize);
  EXPECT_EQ(Send(0, cissOnBmic), win::ERROR_SUCCESS);
  EXPECT_EQ(ReturnCode(cissOnBmic), layout::kReturnInvalidParameter);
  auto unknown = Framed(DriverKind::kCiss, 9, layout::kCissRequestSize);
  EXPECT_EQ(Send(1, unknown), win::ERROR_SUCCESS);
  EXPECT_EQ(ReturnCode(unknown), layout::kReturnBadControlCode);
  auto shortConfig = Framed(DriverKind::kQueryCiss, layout::kQueryConfig, 100);
  EXPECT_EQ(Send(1, shortConfig), win::ERROR_SUCCESS);
  EXPECT_EQ(ReturnCode(shortConfig), layout::kReturnInvalidParameter);
  auto lying = Framed(DriverKind::kQueryCiss, layout::kQueryConfig, layout::kConfigSize);
  layout::Put32(lying.data(), layout::header::kLength, 4000);
  EXPECT_EQ(Send(1, lying), win::ERROR_INVALID_PARAMETER);
}

TEST_F(SimArrayController, BmicControllerDescribesItselfItsDrivesAndBackplane) {
  Load(R"(<port number="3" array="bmic" board="0x52410020" firmware="2.36" slot="5" totalMemory="128"
            installedMemory="96" cache="48" targetsPerBus="16">
            <drive bus="1" target="0" kind="scsi" blocks="4096" product="SCSI DRIVE"/>
            <drive bus="1" target="1" kind="sas" blocks="4096" serial="SASSER01"/>
            <drive bus="2" target="3" kind="sata" blocks="4096" failed="1"/>
            <volume raid="1" members="1:0 1:1" array="0"/>
            <battery status="ok"/><battery status="failed"/>
            <backplane bus="0" target="0" vendor="RAVEL" product="BP 4LFF" revision="0102"/>
          </port>)");
  namespace ic = layout::identifycontroller;
  std::vector<std::uint8_t> identify(ic::kSize);
  ASSERT_EQ(Bmic(3, layout::command::kIdentifyController, 0, 0, identify), layout::kBmicOk);
  EXPECT_EQ(identify[ic::kLogicalDrives], 1);
  EXPECT_EQ(Get32(identify.data(), ic::kBoardId), rb::arrayboards::kLegacyBmic.id);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&identify[ic::kFirmware]), 4), "2.36");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&identify[ic::kProductName])),
            rb::arrayboards::kLegacyBmic.model);
  EXPECT_EQ(identify[ic::kTargetsPerBus], 16);
  EXPECT_EQ(identify[ic::kFlags] & ic::kFlagPresenceMaps, ic::kFlagPresenceMaps);
  EXPECT_EQ(identify[ic::kInstalledMemory], 96);
  EXPECT_EQ(identify[ic::kTotalMemory], 128);
  EXPECT_EQ(Get32(identify.data(), ic::kPresenceMap + 4), 0b11u);    // bus 1: targets 0 and 1
  EXPECT_EQ(Get32(identify.data(), ic::kPresenceMap + 8), 1u << 3);  // bus 2: target 3

  std::vector<std::uint8_t> info(layout::controllerinfo::kSize);
  ASSERT_EQ(Bmic(3, layout::command::kControllerInfo, 0, 0, info), layout::kBmicOk);
  EXPECT_EQ(Get16(info.data(), layout::controllerinfo::kUsableCache), 48 * 1024);  // kilobytes
  EXPECT_EQ(info[layout::controllerinfo::kBatteryCount], 2);
  EXPECT_EQ(layout::BatteryStatusText(info[layout::controllerinfo::kBatteryStatus]), "OK");
  EXPECT_EQ(layout::BatteryStatusText(info[layout::controllerinfo::kBatteryStatus + 1]), "Failed");

  std::vector<std::uint8_t> subsystem(512);
  ASSERT_EQ(Bmic(3, layout::command::kSubsystemInfo, 0, 0, subsystem), layout::kBmicOk);
  EXPECT_EQ(subsystem[0] & 0x7F, 5);

  std::vector<std::uint8_t> backplane(layout::bustarget::kSize);
  ASSERT_EQ(Bmic(3, layout::command::kBusTarget, 0, 0x0000, backplane), layout::kBmicOk);
  EXPECT_NE(backplane[layout::bustarget::kPresent], 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&backplane[layout::bustarget::kModel]), 7), "BP 4LFF");
  ASSERT_EQ(Bmic(3, layout::command::kBusTarget, 0, 0x0100, backplane), layout::kBmicOk);
  EXPECT_EQ(backplane[layout::bustarget::kPresent], 0);

  // Identify physical drive by the drive-number rule; the kind and the failed mark come back.
  namespace ip = layout::identifyphysical;
  struct Drive {
    std::uint8_t bus, target, kind, failed;
  };
  for (const Drive& drive : {Drive{1, 1, layout::kDriveTypeSas, 0}, Drive{2, 3, layout::kDriveTypeSata, 1}}) {
    std::vector<std::uint8_t> physical(ip::kSize);
    ASSERT_EQ(Bmic(3, layout::command::kIdentifyPhysicalDrive, 0,
                   layout::DriveNumber(drive.bus, drive.target, 16), physical),
              layout::kBmicOk);
    EXPECT_EQ(physical[ip::kBus], drive.bus);
    EXPECT_EQ(physical[ip::kTarget], drive.target);
    EXPECT_EQ(physical[ip::kDriveType], drive.kind);
    EXPECT_EQ(physical[ip::kFailed], drive.failed);
    EXPECT_EQ(Get32(physical.data(), ip::kBlockCount), 4096u);
  }
  std::vector<std::uint8_t> none(ip::kSize);
  EXPECT_EQ(Bmic(3, layout::command::kIdentifyPhysicalDrive, 0, 77, none), layout::kBmicInvalidUnit);

  // The volume's members; the drive in none of them is the unassigned one.
  namespace il = layout::identifylogical;
  std::vector<std::uint8_t> logical(il::kSize);
  ASSERT_EQ(Bmic(3, layout::command::kIdentifyLogicalDrive, 0, 0, logical), layout::kBmicOk);
  EXPECT_EQ(logical[il::kFaultTolerance], layout::kFaultToleranceRaid1);
  EXPECT_EQ(Get32(logical.data(), il::kMemberMap + 4), 0b11u);
  EXPECT_EQ(Get32(logical.data(), il::kBlockCount), 4096u);
  EXPECT_EQ(Bmic(3, layout::command::kIdentifyLogicalDrive, 1, 0, logical), layout::kBmicInvalidUnit);
  EXPECT_EQ(Bmic(3, 0xEE, 0, 0, logical), layout::kBmicInvalidCommand);
}

TEST_F(SimArrayController, ScsiThroughBmicReachesTheDriveAndReportsItsErrors) {
  Load(R"(<port number="0" array="bmic">
            <drive bus="0" target="2" blocks="64" product="PASSDISK">
              <fault opcode="0x28" sense="3" asc="0x11" ascq="0"/>
            </drive>
          </port>)");
  namespace sb = layout::scsibmic;
  std::vector<std::uint8_t> data(96);
  auto inquiry = ScsiThroughBmic(0, 0, 2, {0x12, 0, 0, 0, 96, 0}, data);
  EXPECT_EQ(inquiry[sb::kBmicStatus], 0);
  EXPECT_EQ(inquiry[sb::kScsiStatus], 0);
  EXPECT_EQ(data[0] & 0x1F, 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&data[16]), 8), "PASSDISK");

  std::vector<std::uint8_t> block(512);
  auto read = ScsiThroughBmic(0, 0, 2, {0x28, 0, 0, 0, 0, 5, 0, 0, 1, 0}, block);
  EXPECT_NE(read[sb::kBmicStatus], 0);
  EXPECT_EQ(read[sb::kMachineError], layout::kMachineErrorTargetStatus);
  EXPECT_EQ(read[sb::kScsiStatus], 2);
  EXPECT_EQ(read[sb::kSenseKey], 3);
  EXPECT_EQ(read[sb::kAsc], 0x11);

  auto absent = ScsiThroughBmic(0, 0, 3, {0x12, 0, 0, 0, 96, 0}, data);
  EXPECT_NE(absent[sb::kBmicStatus], 0);
  EXPECT_EQ(absent[sb::kMachineError], layout::kMachineErrorSelectionTimeout);
}

// The blocks of a pattern that differs per block.
std::vector<std::uint8_t> Pattern(std::size_t blocks, std::uint8_t seed) {
  std::vector<std::uint8_t> data(blocks * 512);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + seed + i / 512);
  return data;
}

TEST_F(SimArrayController, VolumesKeepTheirDataOnTheMembersAndReadAroundAFailingDrive) {
  // Drive 0:1 fails every read; writes still reach it.
  const char* failing =
      R"(<drive bus="0" target="1" blocks="256"><fault opcode="0x88" sense="3" asc="0x11" ascq="0"/></drive>)";
  struct Case {
    const char* raid;
    bool readsBack;
  };
  for (const Case& c : {Case{"0", false}, Case{"1", true}, Case{"5", true}}) {
    SCOPED_TRACE(c.raid);
    Load(std::string(R"(<port number="0" array="bmic"><drive bus="0" target="0" blocks="256"/>)") + failing +
         R"(<drive bus="0" target="2" blocks="256"/><volume raid=")" + c.raid +
         R"(" members="0:0 0:1 0:2" stripe="4"/></port>)");
    const std::vector<std::uint8_t> written = Pattern(24, 3);
    std::vector<std::uint8_t> out = written;
    ASSERT_EQ(Bmic(0, layout::command::kWriteBlocks, 0, 10, out, 24), layout::kBmicOk);
    std::vector<std::uint8_t> in(written.size());
    const std::uint8_t status = Bmic(0, layout::command::kReadBlocks, 0, 10, in, 24);
    if (c.readsBack) {
      ASSERT_EQ(status, layout::kBmicOk);
      EXPECT_EQ(in, written);
    } else {
      EXPECT_EQ(status, layout::kBmicDriveFailed);
    }
    // Blocks never written read as zeros.
    std::vector<std::uint8_t> fresh(512, 0xAA);
    ASSERT_EQ(Bmic(0, layout::command::kReadBlocks, 0, 200, fresh, 1), layout::kBmicOk);
    EXPECT_EQ(fresh, std::vector<std::uint8_t>(512, 0));
  }
}

TEST_F(SimArrayController, Raid5ParityRotatesAndADegradedVolumeRebuildsAfterAReset) {
  Load(R"(<port number="0" array="bmic" rebuildRate="64">
            <drive bus="0" target="0" blocks="128"/><drive bus="0" target="1" blocks="128"/>
            <drive bus="0" target="2" blocks="128" failed="1"/>
            <volume raid="5" members="0:0 0:1 0:2" stripe="2"/></port>)");
  auto status = [&] {
    std::vector<std::uint8_t> reply(layout::logicalstatus::kSize);
    EXPECT_EQ(Bmic(0, layout::command::kLogicalDriveStatus, 0, 0, reply), layout::kBmicOk);
    return std::make_pair(reply[layout::logicalstatus::kStatus],
                          Get32(reply.data(), layout::logicalstatus::kBlocksToRecover));
  };
  EXPECT_EQ(status().first, layout::kVolumeInterimRecovery);
  // Written while degraded: the data of the failed member is only in the parity.
  const std::vector<std::uint8_t> written = Pattern(16, 9);
  std::vector<std::uint8_t> out = written;
  ASSERT_EQ(Bmic(0, layout::command::kWriteBlocks, 0, 0, out, 16), layout::kBmicOk);
  std::vector<std::uint8_t> in(written.size());
  ASSERT_EQ(Bmic(0, layout::command::kReadBlocks, 0, 0, in, 16), layout::kBmicOk);
  EXPECT_EQ(in, written);

  std::vector<std::uint8_t> none(512);
  ASSERT_EQ(Bmic(0, layout::command::kResetStart, 0, 0, none), layout::kBmicOk);
  ASSERT_EQ(Bmic(0, layout::command::kResetFinish, 0, 0, none), layout::kBmicOk);
  const auto rebuilding = status();
  EXPECT_EQ(rebuilding.first, layout::kVolumeRecovering);
  EXPECT_EQ(rebuilding.second, 128u);
  platform_->Sleep(1000);  // 64 blocks
  EXPECT_EQ(status().second, 64u);
  platform_->Sleep(1000);
  EXPECT_EQ(status(), std::make_pair(layout::kVolumeOk, 0u));

  // Every row of the three members now XORs to zero, and its data units are the volume's blocks:
  // row 0 has its parity on member 2, row 1 on member 1, row 2 on member 0.
  std::vector<std::uint8_t> members[3];
  for (std::uint8_t t = 0; t < 3; ++t) {
    members[t].resize(8 * 512);
    ASSERT_EQ(ScsiThroughBmic(0, 0, t, {0x28, 0, 0, 0, 0, 0, 0, 0, 8, 0},
                              members[t])[layout::scsibmic::kBmicStatus],
              0);
  }
  for (std::size_t b = 0; b < members[0].size(); ++b)
    ASSERT_EQ(members[0][b] ^ members[1][b] ^ members[2][b], 0) << b;
  const auto unit = [&](int member, int row) {
    return std::vector<std::uint8_t>(members[member].begin() + row * 1024,
                                     members[member].begin() + row * 1024 + 1024);
  };
  const auto volumeUnit = [&](int k) {
    return std::vector<std::uint8_t>(written.begin() + k * 1024, written.begin() + k * 1024 + 1024);
  };
  EXPECT_EQ(unit(0, 0), volumeUnit(0));
  EXPECT_EQ(unit(1, 0), volumeUnit(1));
  EXPECT_EQ(unit(0, 1), volumeUnit(2));
  EXPECT_EQ(unit(2, 1), volumeUnit(3));
  EXPECT_EQ(unit(1, 2), volumeUnit(4));
  EXPECT_EQ(unit(2, 2), volumeUnit(5));
}

TEST_F(SimArrayController, FailedVolumesAndDeletedVolumes) {
  Load(R"(<port number="0" array="bmic">
            <drive bus="0" target="0" blocks="64"/><drive bus="0" target="1" blocks="64" failed="1"/>
            <drive bus="0" target="2" blocks="64" failed="1"/>
            <volume raid="5" members="0:0 0:1 0:2" blocks="32"/><volume raid="0" members="0:0" blocks="8"/></port>)");
  std::vector<std::uint8_t> reply(layout::logicalstatus::kSize);
  ASSERT_EQ(Bmic(0, layout::command::kLogicalDriveStatus, 0, 0, reply), layout::kBmicOk);
  EXPECT_EQ(reply[layout::logicalstatus::kStatus], layout::kVolumeFailed);
  EXPECT_EQ(Get32(reply.data(), layout::logicalstatus::kFailedMap), 0b110u);
  std::vector<std::uint8_t> block(512);
  EXPECT_EQ(Bmic(0, layout::command::kWriteBlocks, 0, 0, block, 1), layout::kBmicDriveFailed);
  // A reset brings back no drive of a failed volume.
  ASSERT_EQ(Bmic(0, layout::command::kResetStart, 0, 0, block), layout::kBmicOk);
  ASSERT_EQ(Bmic(0, layout::command::kResetFinish, 0, 0, block), layout::kBmicOk);
  ASSERT_EQ(Bmic(0, layout::command::kLogicalDriveStatus, 0, 0, reply), layout::kBmicOk);
  EXPECT_EQ(reply[layout::logicalstatus::kStatus], layout::kVolumeFailed);
  // Deleting volume 0 makes the second one unit 0.
  ASSERT_EQ(Bmic(0, layout::command::kDeleteLogicalDrive, 0, 0, block), layout::kBmicOk);
  std::vector<std::uint8_t> identify(layout::identifycontroller::kSize);
  ASSERT_EQ(Bmic(0, layout::command::kIdentifyController, 0, 0, identify), layout::kBmicOk);
  EXPECT_EQ(identify[layout::identifycontroller::kLogicalDrives], 1);
  ASSERT_EQ(Bmic(0, layout::command::kLogicalDriveStatus, 0, 0, reply), layout::kBmicOk);
  EXPECT_EQ(reply[layout::logicalstatus::kStatus], layout::kVolumeOk);
}

TEST_F(SimArrayController, CissReportsItsLunsInEitherAddressingModeAndPassesCdbsToTheDrives) {
  for (const int mode : {0, 3}) {
    SCOPED_TRACE(mode);
    Load(R"(<port number="0" array="ciss" lunAddressing=")" + std::to_string(mode) + R"(">
              <drive bus="1" target="5" blocks="64" product="CISSDISK"/><drive bus="2" target="0" blocks="64"/>
              <volume raid="1" members="1:5 2:0"/>
              <backplane bus="2" target="15" product="BOX"/></port>)");
    std::vector<std::uint8_t> list(layout::kLunListSize);
    auto report =
        Ciss(0, kController, {layout::kReportPhysicalLuns, 0, 0, 0, 0, 0, 0, 0, 0x30, 0, 0, 0}, list);
    EXPECT_EQ(CissStatus(report), layout::kCissDataUnderrun);
    ASSERT_EQ(list[3], 24);  // big-endian length: three entries
    // Decoded as the controller devices decode them.
    const std::pair<std::uint8_t, std::uint8_t> wanted[] = {{1, 5}, {2, 0}, {2, 15}};
    for (int i = 0; i < 3; ++i) {
      const std::uint8_t* entry = &list[8 + 8 * i];
      const std::uint32_t word = Get32(entry, 0);
      ASSERT_EQ(word >> 30, mode == 3 ? 3u : 0u);
      const std::uint8_t bus = mode == 3 ? entry[7] & 0x3F : (word >> 24) & 0x3F;
      const std::uint8_t target = mode == 3 ? entry[6] : word & 0xFFFF;
      EXPECT_EQ(std::make_pair(bus, target), wanted[i]);
      EXPECT_FALSE(std::all_of(entry, entry + 8, [](std::uint8_t b) { return b == 0; }));
    }
    // INQUIRY to the first drive's LUN: the drive answers 96 of the 512 bytes.
    std::uint8_t lun[8];
    std::memcpy(lun, &list[8], 8);
    std::vector<std::uint8_t> inquiry(512, 0xEE);
    auto answer = Ciss(0, lun, {0x12, 0, 0, 0, 240, 0}, inquiry);
    EXPECT_EQ(CissStatus(answer), layout::kCissDataUnderrun);
    EXPECT_EQ(Get32(answer.data(), layout::ciss::kResidual), 512u - 96u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&inquiry[16]), 8), "CISSDISK");
    std::memcpy(lun, &list[24], 8);
    answer = Ciss(0, lun, {0x12, 0, 0, 0, 240, 0}, inquiry);
    EXPECT_EQ(inquiry[0] & 0x1F, 3);  // the backplane is a processor device

    // A medium error of the drive comes back as target status with its sense.
    std::memcpy(lun, &list[8], 8);
    std::vector<std::uint8_t> block(512);
    answer = Ciss(0, lun, {0x28, 0, 0, 0, 0, 99, 0, 0, 1, 0}, block);
    EXPECT_EQ(CissStatus(answer), layout::kCissTargetStatus);
    EXPECT_EQ(answer[layout::ciss::kScsiStatus], 2);
    EXPECT_EQ(answer[layout::ciss::kSense + 2] & 0x0F, 5);  // LBA 99 is beyond the drive

    std::vector<std::uint8_t> logical(layout::kLunListSize);
    Ciss(0, kController, {layout::kReportLogicalLuns, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, logical);
    EXPECT_EQ(logical[3], 8);
    EXPECT_EQ(Get32(logical.data(), 8), 0x40000000u);
  }
}

TEST_F(SimArrayController, CissCarriesBmicCommandsAndItsDeclaredStatuses) {
  Load(R"(<port number="0" array="ciss" board="0x52420103" cache="256"><drive bus="1" target="0" blocks="64"/>
            <volume raid="0" members="1:0"/></port>
          <port number="1" array="ciss"><cissFault opcode="0x12" status="4" field="4" size="1"/>
            <cissFault opcode="0xC3" status="11"/></port>)");
  // BMIC 11h over CISS: 27h, unit, parameter, command, length high and low.
  std::vector<std::uint8_t> identify(layout::identifycontroller::kSize);
  auto answer = Ciss(0, kController, {0x27, 0, 0, 0, 0, 0, 0x11, 0x10, 0x00, 0}, identify);
  EXPECT_EQ(CissStatus(answer), layout::kCissSuccess);
  EXPECT_EQ(Get32(identify.data(), layout::identifycontroller::kBoardId),
            rb::arrayboards::kThreeTestStorageBox.id);
  std::vector<std::uint8_t> info(layout::controllerinfo::kSize);
  Ciss(0, kController, {0x27, 0, 0, 0, 0, 0, 0xC1, 0x02, 0x00, 0}, info);
  EXPECT_EQ(Get16(info.data(), layout::controllerinfo::kUsableCache), 256);  // megabytes on CISS
  // A block written by BMIC 30h reads back by BMIC 20h over the same volume.
  std::vector<std::uint8_t> block = Pattern(1, 5);
  EXPECT_EQ(CissStatus(Ciss(0, kController, {0x27, 0, 7, 0, 0, 0, 0x30, 0x02, 0x00, 0}, block,
                            layout::kCissDataOut)),
            layout::kCissSuccess);
  std::vector<std::uint8_t> back(512);
  Ciss(0, kController, {0x27, 0, 7, 0, 0, 0, 0x20, 0x02, 0x00, 0}, back);
  EXPECT_EQ(back, block);
  // The wrong first byte for the command, an unknown unit, an unknown CDB.
  answer = Ciss(0, kController, {0x26, 0, 0, 0, 0, 0, 0x11, 0x10, 0x00, 0}, identify);
  EXPECT_EQ(CissStatus(answer), layout::kCissInvalidCommand);
  answer = Ciss(0, kController, {0x27, 5, 0, 0, 0, 0, 0x10, 0x02, 0x00, 0}, info);
  EXPECT_EQ(CissStatus(answer), layout::kCissTargetStatus);
  EXPECT_EQ(answer[layout::ciss::kSense + 2] & 0x0F, 5);
  answer = Ciss(0, kController, {0x5A, 0, 0, 0, 0, 0, 0, 0, 0, 0}, info);
  EXPECT_EQ(CissStatus(answer), layout::kCissInvalidCommand);

  // Declared statuses, with the offending field of an invalid command.
  std::vector<std::uint8_t> data(512);
  answer = Ciss(1, kController, {0x12, 0, 0, 0, 240, 0}, data);
  EXPECT_EQ(CissStatus(answer), layout::kCissInvalidCommand);
  EXPECT_EQ(answer[layout::ciss::kMoreError + 2], 1);
  EXPECT_EQ(answer[layout::ciss::kMoreError + 3], 4);
  answer = Ciss(1, kController, {layout::kReportPhysicalLuns, 0, 0, 0, 0, 0, 0, 0, 0x30, 0, 0, 0}, data);
  EXPECT_EQ(CissStatus(answer), layout::kCissTimeout);
  answer = Ciss(1, kController, {layout::kReportLogicalLuns, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, data);
  EXPECT_EQ(CissStatus(answer), layout::kCissDataUnderrun);  // no fault: an empty list
}

TEST_F(SimArrayController, AStorageArrayFindsItsDrivesByTheNumberInTheSecondByteAndTellsTheirPlace) {
  Load(R"(<port number="2" array="bmic" model="RB KSR1000 Array" targetsPerBus="8">
            <drive bus="0" target="0" blocks="64"/>
            <drive bus="1" target="2" blocks="64" connector="2B" enclosure="3" bay="7" readErrorsHard="4"
                   readErrorsRecovered="5" writeErrorsHard="6" writeErrorsRecovered="0x10000" failed="1"
                   history="failing" predictiveFailures="9"/>
          </port>)");
  namespace ip = layout::identifyphysical;
  const std::size_t words = ip::kStorageArrayCounters;
  struct Case {
    std::uint32_t parameter;
    std::uint8_t bus, target;
    const char* connector;
    std::uint32_t place[8];  // enclosure, bay, four error counts, predictive failures, operational
  } cases[] = {
      // Buses count from 0: (0 × 8 + 0) + 128 in the second byte; defaults but the bay (target + 1).
      {0x8000, 0, 0, "1A", {1, 1, 0, 0, 0, 0, 0, 1}},
      // (1 × 8 + 2) + 128 = 138; a failed drive is not operational.
      {0x8A00, 1, 2, "2B", {3, 7, 4, 5, 6, 0x10000, 9, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameter);
    std::vector<std::uint8_t> physical(ip::kSize);
    ASSERT_EQ(Bmic(2, layout::command::kIdentifyPhysicalDrive, 0, c.parameter, physical), layout::kBmicOk);
    EXPECT_EQ(physical[ip::kBus], c.bus);
    EXPECT_EQ(physical[ip::kTarget], c.target);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&physical[words]), 2), c.connector);
    EXPECT_EQ(Get16(physical.data(), words + 2), 0u);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(Get32(physical.data(), words + 4 + 4 * i), c.place[i]) << i;
  }
  // The drive history is found the same way: the failing drive's record names its SMART trip.
  std::vector<std::uint8_t> records(layout::drivehistory::kSize);
  ASSERT_EQ(Bmic(2, layout::drivehistory::kCommand, layout::drivehistory::kRecords, 0x8A00, records),
            layout::kBmicOk);
  EXPECT_EQ(records[layout::drivehistory::kRecordEntries + 1], 0x13);
  // The ordinary rule's number in the low byte names no drive of a storage array.
  std::vector<std::uint8_t> none(ip::kSize);
  EXPECT_EQ(Bmic(2, layout::command::kIdentifyPhysicalDrive, 0, layout::DriveNumber(1, 0, 8), none),
            layout::kBmicInvalidUnit);
}

TEST_F(SimArrayController, AnOrdinaryControllerLeavesTheStorageArrayWordsEmpty) {
  Load(
      R"(<port number="2" array="bmic" targetsPerBus="8"><drive bus="1" target="2" blocks="64" bay="7"/></port>)");
  namespace ip = layout::identifyphysical;
  std::vector<std::uint8_t> physical(ip::kSize, 0xEE);
  ASSERT_EQ(Bmic(2, layout::command::kIdentifyPhysicalDrive, 0, layout::DriveNumber(1, 2, 8), physical),
            layout::kBmicOk);
  EXPECT_EQ(physical[ip::kTarget], 2);
  for (std::size_t i = ip::kStorageArrayCounters; i < ip::kStorageArrayCounters + 36; ++i)
    EXPECT_EQ(physical[i], 0) << i;
}

TEST_F(SimArrayController, MalformedDeclarationsAreRejected) {
  const std::pair<const char*, const char*> cases[] = {
      {R"(<port number="0" array="raid"/>)", "array must be bmic or ciss"},
      {R"(<port number="0" array="bmic" csmi="1"/>)", "both a CSMI adapter and an array"},
      {R"(<port number="0" array="bmic" cache="64"/>)", "'cache' is above 63"},
      {R"(<port number="0" array="ciss" lunAddressing="1"/>)", "lunAddressing must be 0 or 3"},
      {R"(<port number="0" array="bmic"><drive bus="8" target="0" blocks="8"/></port>)", "'bus' is above 7"},
      {R"(<port number="0" array="bmic"><drive bus="0" target="0" blocks="8" kind="fc"/></port>)",
       "kind 'fc' is none of"},
      {R"(<port number="0" array="bmic"><drive bus="0" target="0" blocks="8"/><drive bus="0" target="0"
          blocks="8"/></port>)",
       "two drives at bus 0 target 0"},
      {R"(<port number="0" array="bmic"><drive bus="0" target="0" blocks="64"/><volume raid="0"
          members="0:1"/></port>)",
       "member '0:1' is no <drive>"},
      {R"(<port number="0" array="bmic"><drive bus="0" target="0" blocks="64"/><drive bus="0" target="1"
          blocks="64"/><volume raid="5" members="0:0 0:1"/></port>)",
       "RAID 5 needs 3 members"},
      {R"(<port number="0" array="bmic"><drive bus="0" target="0" blocks="64"/><volume raid="0"
          members="0:0"/><volume raid="0" members="0:0"/></port>)",
       "no room left"},
      {R"(<port number="0" array="bmic"><battery status="flat"/></port>)", "status 'flat'"},
      {R"(<port number="0" array="bmic"><drive bus="0" target="0" blocks="8" connector="1AB"/></port>)",
       "connector '1AB' is longer than two characters"},
      {R"(<port number="0" array="ciss"><sesEnclosure><fan speed="9" fault="loud"/></sesEnclosure></port>)",
       "fault 'loud' is unknown"},
      {R"(<port number="0" array="ciss"><sesEnclosure><firmware kind="bios"/></sesEnclosure></port>)",
       "kind 'bios' is none of"},
      {R"(<port number="0" array="ciss"><sesEnclosure><slots count="2" type="5"/></sesEnclosure></port>)",
       "type must be 0x01 or 0x17"},
      {R"(<port number="0" array="ciss"><sesEnclosure><buffer id="1" hex="0g"/></sesEnclosure></port>)",
       "hex '0g' is not hexadecimal"},
      {R"(<port number="0" array="ciss"><sesEnclosure failPages="0x12 x"/></port>)", "not a number: 'x'"},
  };
  for (const auto& [ports, problem] : cases) {
    try {
      Load(ports);
      ADD_FAILURE() << ports << " was accepted";
    } catch (const os::MachineError& error) {
      EXPECT_NE(std::string(error.what()).find(problem), std::string::npos) << error.what();
    }
  }
}

TEST_F(SimArrayController, NvramPartsReadAndWriteOverI2cWithTheirChecksum) {
  Load(R"(<port number="0" array="ciss" board="0x52420106"><nvram address="0xAD" text="ASSY=1234"/>
            <nvram address="0xA8" badChecksum="1"/></port>)");
  // The upper half's 8-bit sum: 0 for a good part.
  const auto upperSum = [](const std::vector<std::uint8_t>& part) {
    std::uint8_t sum = 0;
    for (std::size_t i = part.size() / 2; i < part.size(); ++i)
      sum = static_cast<std::uint8_t>(sum + part[i]);
    return sum;
  };
  std::vector<std::uint8_t> part(256);
  auto answer = Ciss(0, kController, {0x26, 0, 0, 0, 0, 0, 0x42, 0, 0xD4, 0xAD}, part);
  ASSERT_EQ(CissStatus(answer), layout::kCissSuccess);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(part.data())), "ASSY=1234");
  EXPECT_EQ(upperSum(part), 0);
  Ciss(0, kController, {0x26, 0, 0, 0, 0, 0, 0x42, 0, 0xD4, 0xA8}, part);
  EXPECT_EQ(upperSum(part), 1);
  // Written, then read back.
  std::vector<std::uint8_t> written = Pattern(1, 1);
  written.resize(256);
  Ciss(0, kController, {0x27, 0, 0, 0, 0, 0, 0x42, 0, 0xD4, 0xA8}, written, layout::kCissDataOut);
  Ciss(0, kController, {0x26, 0, 0, 0, 0, 0, 0x42, 0, 0xD4, 0xA8}, part);
  EXPECT_EQ(part, written);
  // No part at the address; a sub-function the controller does not simulate.
  answer = Ciss(0, kController, {0x26, 0, 0, 0, 0, 0, 0x42, 0, 0xD4, 0xC1}, part);
  EXPECT_EQ(CissStatus(answer), layout::kCissTargetStatus);
  answer = Ciss(0, kController, {0x27, 0, 0, 0, 0, 0, 0x42, 0, 0xD5, 0}, part);
  EXPECT_EQ(CissStatus(answer), layout::kCissInvalidCommand);
  EXPECT_EQ(answer[layout::ciss::kMoreError + 3], 8);
}

}  // namespace
