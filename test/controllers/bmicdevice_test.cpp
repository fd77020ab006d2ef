// The BMIC controller's commands against a recording fake of its port: the BMIC and SCSI-through-BMIC
// error details, slot, reset, delete and the drive numbers of identify physical drive. Discovery and
// the catalog entry are checked on the simulated machine (arraydiscovery_test.cpp).

#include "controllers/bmicdevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "controllers/arrayboards.h"
#include "controllers/arraylayouts.h"
#include "controllers/arrayportfake.h"
#include "controllers/raiddisk.h"
#include "devices/scsitestbench.h"
#include "platform/recordingplatform.h"

namespace {

namespace layout = rb::arraylayout;
using rbtest::ArrayPortFake;
using rbtest::RaisedBy;

// What the fake controller answers one request with.
struct Answer {
  std::uint8_t bmicStatus = 0;
  std::uint8_t scsiStatus = 0;
  std::uint8_t machineError = 0;
  std::uint32_t residual = 0;
  std::uint8_t senseKey = 0, errorCode = 0, asc = 0, ascq = 0;
  std::vector<std::uint8_t> data;  // copied to the start of the data area
};

class BmicController : public testing::Test {
 protected:
  BmicController() {
    Fake().ports[2] = {};
    Fake().answer = [this](std::uint8_t* request, win::DWORD length) {
      const bool scsi = request[16] == layout::kScsiThroughBmicControlCode;
      const std::size_t data = scsi ? layout::scsibmic::kData : layout::bmic::kData;
      if (scsi) {
        request[layout::scsibmic::kBmicStatus] = answer.bmicStatus;
        request[layout::scsibmic::kScsiStatus] = answer.scsiStatus;
        request[layout::scsibmic::kMachineError] = answer.machineError;
        std::memcpy(request + layout::scsibmic::kResidual, &answer.residual, 4);
        request[layout::scsibmic::kSenseKey] = answer.senseKey;
        request[layout::scsibmic::kErrorCode] = answer.errorCode;
        request[layout::scsibmic::kAsc] = answer.asc;
        request[layout::scsibmic::kAscq] = answer.ascq;
      } else {
        request[layout::bmic::kStatus] = answer.bmicStatus;
      }
      std::copy_n(answer.data.begin(), std::min<std::size_t>(answer.data.size(), length - data),
                  request + data);
    };
  }
  ArrayPortFake& Fake() { return static_cast<ArrayPortFake&>(installed_.Get()); }
  const std::vector<std::string>& Traces() { return Fake().traces; }
  // The BMIC command of call `n`.
  std::uint8_t CommandOf(std::size_t n) { return Fake().calls.at(n).bytes[layout::bmic::kCommand]; }

  rbtest::InstalledPlatform installed_{std::make_unique<ArrayPortFake>()};
  Answer answer;
  rb::BmicDevice controller_{"bmicController0", false, 2};
};

TEST_F(BmicController, AChildCommandSucceedsOnBmicStatusZeroWhateverTheScsiStatus) {
  rb::RaidDisk disk("scsiDisk", controller_, 1, 4, controller_.NamePhysicalDrive(1, 4));
  answer.scsiStatus = 2;
  answer.errorCode = 0x70;
  answer.senseKey = 3;
  answer.asc = 0x11;
  answer.data = {0x00, 0x00, 0x05};
  std::uint8_t data[36];
  const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 36, 0};
  EXPECT_EQ(disk.SendCdb(cdb, 6, data, sizeof data, rb::kDataIn), 2);
  EXPECT_EQ(data[2], 0x05);
  const std::vector<std::uint8_t>& sent = Fake().calls.at(0).bytes;
  EXPECT_EQ(sent[layout::scsibmic::kPath], 1);
  EXPECT_EQ(sent[layout::scsibmic::kTarget], 4);
  std::uint32_t timeout = 0;
  std::memcpy(&timeout, sent.data() + layout::scsibmic::kTimeout, 4);
  EXPECT_EQ(timeout, 30u);
  // The sense reaches the disk's record as fixed-format sense.
  EXPECT_EQ(disk.Record().status, 2);
  EXPECT_EQ(disk.Record().sense[0], 0x70);
  EXPECT_EQ(disk.Record().sense[2], 3);
  EXPECT_EQ(disk.Record().sense[12], 0x11);
}

TEST_F(BmicController, AFailedChildCommandSaysWhatTheControllerReported) {
  const struct {
    std::uint8_t machineError, scsiStatus;
    std::uint32_t residual;
    const char* detail;
  } cases[] = {
      {0x12, 0, 0, ""},  // an overrun of nothing is no overrun
      {0x12, 0, 16, ": DATA OVERRUN: 16"},
      {0x05, 0, 0, ": MACHINE_ERROR: 5"},
      {0x22, 0, 0, ""},
      {0x22, 2, 0, ": SCSI_CAC: Key=3 Code=112 Asc=17 Acq=4"},
      {0x01, 2, 8, ": MACHINE_ERROR: 1: SCSI_CAC: Key=3 Code=112 Asc=17 Acq=4"},
  };
  rb::RaidDisk disk("scsiDisk", controller_, 0, 9, controller_.NamePhysicalDrive(0, 9));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.detail);
    answer = {};
    answer.bmicStatus = layout::kBmicScsiError;
    answer.machineError = c.machineError;
    answer.scsiStatus = c.scsiStatus;
    answer.residual = c.residual;
    answer.senseKey = 3;
    answer.errorCode = 0x70;
    answer.asc = 0x11;
    answer.ascq = 4;
    const std::uint8_t cdb[10] = {0x28};
    std::uint8_t data[512];
    const rb::OruError error = RaisedBy([&] { disk.SendCdb(cdb, 10, data, sizeof data, rb::kDataIn); });
    EXPECT_EQ(error.Message(), "BMIC driver reported problem");
    EXPECT_EQ(error.Detail(), std::string("bmicController0 -> bmicController0b0d9") + c.detail);
  }
}

TEST_F(BmicController, ABmicStatusRaisesAndTheControllerTakesNoCdbOfItsOwn) {
  answer.bmicStatus = 4;
  std::uint8_t data[512];
  const rb::OruError error =
      RaisedBy([&] { controller_.SendBmicCommand(0x10, data, sizeof data, 0, 1, 3, rb::kDataIn); });
  EXPECT_EQ(error.Message(), "BMIC driver reported problem");
  EXPECT_EQ(error.Detail(), "bmicController0: BMIC_ERROR: 4");
  EXPECT_EQ(Fake().calls.at(0).bytes[layout::bmic::kUnit], 3);

  const std::uint8_t cdb[6] = {0x00};
  const rb::OruError refused =
      RaisedBy([&] { controller_.SendToController(cdb, 6, nullptr, 0, rb::kNoData); });
  EXPECT_EQ(refused.Message(), "SCSI command is not supported");
  EXPECT_EQ(Fake().calls.size(), 1u);
}

TEST_F(BmicController, TheSlotIsTheLowSevenBitsBelowSixteenAndIsKeptOnceRead) {
  const struct {
    std::uint8_t byte;
    std::int32_t slot;
  } cases[] = {{0x85, 5}, {0x0F, 15}, {0x10, 0}, {0x94, 0}};
  for (const auto& c : cases) {
    rb::BmicDevice controller("bmicController", false, 2);
    answer.bmicStatus = 0;
    answer.data = {c.byte};
    EXPECT_EQ(controller.Slot(), c.slot) << static_cast<int>(c.byte);
    answer.data = {3};
    EXPECT_EQ(controller.Slot(), c.slot) << "asked once";
  }
  // A controller that does not answer keeps the last known slot (0 at first) and is asked again.
  rb::BmicDevice silent("bmicController", false, 2);
  answer.bmicStatus = 1;
  EXPECT_EQ(silent.Slot(), 0);
  answer = {};
  answer.data = {7};
  EXPECT_EQ(silent.Slot(), 7);
}

TEST_F(BmicController, ResetIsTheCommandPairHalfAMinuteApartAndDeleteNamesTheVolume) {
  controller_.Reset();
  ASSERT_EQ(Fake().calls.size(), 2u);
  EXPECT_EQ(CommandOf(0), 0x40);
  EXPECT_EQ(Fake().calls[0].bytes.size(), 96u + 512u);
  EXPECT_EQ(CommandOf(1), 0x13);
  EXPECT_EQ(Fake().calls[1].bytes.size(), 96u + 256u);
  EXPECT_EQ(Fake().sleeps, (std::vector<win::DWORD>{30000}));

  Fake().calls.clear();
  controller_.DeleteLogicalVolume(0x02);
  ASSERT_EQ(Fake().calls.size(), 1u);
  EXPECT_EQ(CommandOf(0), 0x51);
  EXPECT_EQ(Fake().calls[0].bytes[layout::bmic::kUnit], 2);
}

TEST_F(BmicController, IdentifyPhysicalDriveNumbersTheDriveByBusAndTarget) {
  const struct {
    std::uint8_t targetsPerBus;
    const char* product;
    std::uint8_t bus, target;
    std::uint32_t parameter;
  } cases[] = {
      {7, "RB L200", 1, 3, 3},                   // (1 - 1) × 7 + 3
      {7, "RB L200", 2, 6, 13},                  // 7 + 6
      {16, "RB L200", 1, 3, 131},                // above 7 targets: plus 128
      {16, "RB L200", 0, 3, 115},                // bus 0 wraps: (-16 + 3) mod 256, plus 128 mod 256
      {16, "RB KSR1000 Array", 1, 3, 147 << 8},  // a storage array: bus not less one, second byte
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parameter);
    answer = {};
    answer.data.assign(layout::identifycontroller::kSize, 0);
    answer.data[layout::identifycontroller::kTargetsPerBus] = c.targetsPerBus;
    std::memcpy(answer.data.data() + layout::identifycontroller::kProductName, c.product,
                std::strlen(c.product));
    rb::BmicDevice controller("bmicController", false, 2);
    controller.Identify();
    Fake().calls.clear();
    controller.IdentifyPhysicalDrive(c.bus, c.target);
    ASSERT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(CommandOf(0), 0x15);
    std::uint32_t parameter = 0;
    std::memcpy(&parameter, Fake().calls[0].bytes.data() + layout::bmic::kParameter, 4);
    EXPECT_EQ(parameter, c.parameter);
  }
}

TEST_F(BmicController, OnlyTheBoardsOfTheSasSetAreSasControllers) {
  namespace boards = rb::arrayboards;
  const struct {
    std::uint32_t board;
    bool sas;
  } cases[] = {{boards::kPlainSas.id, true},       {boards::kThreeTestStorageBox.id, true},
               {boards::kReducedMemory2.id, true}, {boards::kLegacyBmic.id, false},
               {boards::kOtherCiss.id, false},     {0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.board);
    answer = {};
    answer.data.assign(layout::identifycontroller::kSize, 0);
    layout::Put32(answer.data.data(), layout::identifycontroller::kBoardId, c.board);
    rb::BmicDevice controller("bmicController", false, 2);
    controller.Identify();
    const std::size_t traced = Traces().size();
    EXPECT_EQ(controller.IsSasController(), c.sas);
    EXPECT_EQ(Traces().size() - traced, c.sas ? 1u : 0u);
    if (c.sas) {
      EXPECT_EQ(Traces().back(), "Found a SAS controller \n");
    }
  }
}

}  // namespace
