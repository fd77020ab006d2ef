// The CISS controller's commands against a recording fake of its port: the central send's completion
// statuses and their texts, the request it builds (LUN, direction, whole-buffer transfers), BMIC over
// CISS, the physical LUN addresses and a controller behind another one. Discovery, the slot rule and
// the catalog entry are checked on the simulated machine (cissdiscovery_test.cpp).

#include "controllers/cissdevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "controllers/arraylayouts.h"
#include "controllers/arrayportfake.h"
#include "controllers/cisslunaddress.h"
#include "controllers/raiddisk.h"
#include "devices/scsitestbench.h"
#include "platform/recordingplatform.h"

namespace {

namespace layout = rb::arraylayout;
namespace field = rb::arraylayout::ciss;
using rbtest::ArrayPortFake;
using rbtest::RaisedBy;

struct Answer {
  std::uint16_t commandStatus = 0;
  std::uint8_t scsiStatus = 0;
  std::uint8_t moreError[8] = {};
  std::vector<std::uint8_t> sense;
  std::vector<std::uint8_t> data;
};

class CissController : public testing::Test {
 protected:
  CissController() {
    Fake().ports[3] = {};
    Fake().answer = [this](std::uint8_t* request, win::DWORD length) {
      layout::Put16(request, field::kCommandStatus, answer.commandStatus);
      request[field::kScsiStatus] = answer.scsiStatus;
      std::memcpy(request + field::kMoreError, answer.moreError, 8);
      std::copy_n(answer.sense.begin(), std::min<std::size_t>(answer.sense.size(), 32),
                  request + field::kSense);
      std::copy_n(answer.data.begin(), std::min<std::size_t>(answer.data.size(), length - field::kData),
                  request + field::kData);
    };
  }
  ArrayPortFake& Fake() { return static_cast<ArrayPortFake&>(installed_.Get()); }
  const std::vector<std::uint8_t>& Sent(std::size_t n = 0) { return Fake().calls.at(n).bytes; }

  rbtest::InstalledPlatform installed_{std::make_unique<ArrayPortFake>()};
  Answer answer;
  rb::CissDevice controller_{"cissController0", false, 3};
};

TEST_F(CissController, SuccessAndDataUnderrunAnswerTheScsiStatus) {
  for (const std::uint16_t status : {layout::kCissSuccess, layout::kCissDataUnderrun}) {
    answer.commandStatus = status;
    answer.scsiStatus = 0;
    answer.data = {0x0C, 0, 5};
    std::uint8_t data[36] = {};
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 36, 0};
    EXPECT_EQ(controller_.SendToController(cdb, 6, data, sizeof data, rb::kDataIn), 0) << status;
    EXPECT_EQ(data[2], 5);
  }
  // The request: the controller's own LUN (zeros), data in, the CDB and its length, 60 seconds.
  const std::vector<std::uint8_t>& sent = Sent();
  EXPECT_EQ(sent.size(), layout::kCissRequestSize + 36);
  EXPECT_EQ(std::vector<std::uint8_t>(sent.begin() + field::kLun, sent.begin() + field::kLun + 8),
            std::vector<std::uint8_t>(8, 0));
  EXPECT_EQ(layout::Get32(sent.data(), field::kDirection), layout::kCissDataIn);
  EXPECT_EQ(sent[field::kCdbLength], 6);
  EXPECT_EQ(sent[field::kCdb + 4], 36);
  EXPECT_EQ(layout::Get16(sent.data(), field::kTimeout), 60);
  EXPECT_EQ(controller_.Last().cdbLength, 6);
  EXPECT_EQ(controller_.Last().cdb[0], 0x12);
}

TEST_F(CissController, EveryOtherCompletionRaisesWithItsText) {
  const struct {
    std::uint16_t status;
    std::uint8_t fieldSize, fieldNumber;
    const char* detail;
  } cases[] = {
      {3, 0, 0, "cissController0: Data Overrun"},
      {4, 0, 0, "cissController0: Invalid Command: [ 28 00 00 00 00 10 00 00 01 00 ] "},
      {4, 2, 7, "cissController0: Invalid Command: [ 28 00 00 00 00 10 00 00 01 00 ] Byte 7-9 (00000001h)"},
      {5, 0, 0, "cissController0: Protocol Error"},
      {6, 0, 0, "cissController0: Hardware Error"},
      {7, 0, 0, "cissController0: Connection Lost"},
      {8, 0, 0, "cissController0: Command Aborted"},
      {9, 0, 0, "cissController0: Abort Failed"},
      {10, 0, 0, "cissController0: Unsolicited Abort"},
      {11, 0, 0, "cissController0: Timeout: 000bh : 00h : 0"},
      {12, 0, 0, "cissController0: Unabortable Command"},
      {0x42, 0, 0, "cissController0: Unknown CISS Status: 0042h"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.detail);
    answer = {};
    answer.commandStatus = c.status;
    answer.moreError[2] = c.fieldSize;
    answer.moreError[3] = c.fieldNumber;
    answer.moreError[4] = 1;
    const std::uint8_t cdb[10] = {0x28, 0, 0, 0, 0, 0x10, 0, 0, 1, 0};
    std::uint8_t data[512];
    const rb::OruError error =
        RaisedBy([&] { controller_.SendToController(cdb, 10, data, sizeof data, rb::kDataIn); });
    EXPECT_EQ(error.Message(), "CISS driver reported problem");
    EXPECT_EQ(error.Detail(), c.detail);
  }
  // A target status describes the sense data.
  answer = {};
  answer.commandStatus = layout::kCissTargetStatus;
  answer.scsiStatus = 2;
  answer.sense = {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0x00};
  const std::uint8_t cdb[6] = {0x00};
  const rb::OruError error = RaisedBy([&] { controller_.SendToController(cdb, 6, nullptr, 0, rb::kNoData); });
  EXPECT_EQ(error.Detail().rfind("cissController0: Target Status\n", 0), 0u) << error.Detail();
  EXPECT_GT(error.Detail().size(), std::string("cissController0: Target Status\n").size());
  EXPECT_EQ(controller_.Last().scsiStatus, 2);
}

TEST_F(CissController, ReadAndWriteTenMoveTheWholeBufferToTheChildsLun) {
  // bus 1, target 4 in the word of addressing mode 0
  rb::RaidDisk disk("scsiDisk", controller_, 1, 4, controller_.NamePhysicalDrive(1, 4));
  const rb::CissLun lun = {0x04, 0x00, 0x00, 0x01, 0x07, 0, 0, 0};
  ASSERT_EQ(rb::DecodePhysicalLun(lun).bus, 1);
  ASSERT_EQ(rb::DecodePhysicalLun(lun).target, 4);
  // The controller finds the child's LUN in its physical LUN list.
  answer.data.assign(16, 0);
  answer.data[3] = 8;
  std::memcpy(answer.data.data() + 8, lun.data(), 8);
  // Written to the test's own list through the fake: report physical LUNs, then the reads.
  rb::XmlObject summary;
  answer.data.resize(layout::identifycontroller::kSize);
  controller_.IdentifyCiss(summary);
  Fake().calls.clear();
  for (const std::uint8_t opcode : {0x28, 0x2A}) {
    std::vector<std::uint8_t> data(1024, 0x5A);
    const std::uint8_t cdb[10] = {opcode, 0, 0, 0, 0, 0, 0, 0, 2, 0};
    disk.SendCdb(cdb, 10, data.data(), static_cast<std::uint32_t>(data.size()),
                 opcode == 0x28 ? rb::kDataIn : rb::kDataOut);
  }
  ASSERT_EQ(Fake().calls.size(), 2u);
  for (std::size_t n = 0; n < 2; ++n) {
    EXPECT_EQ(Sent(n).size(), layout::kCissRequestSize + 1024) << "the last four bytes move too";
    EXPECT_TRUE(std::equal(lun.begin(), lun.end(), Sent(n).begin() + field::kLun));
  }
  EXPECT_EQ(layout::Get32(Sent(1).data(), field::kDirection), layout::kCissDataOut);
  EXPECT_EQ(Sent(1)[field::kData + 1023], 0x5A);
}

TEST_F(CissController, BmicCommandsTravelInTheBmicCdb) {
  std::uint8_t data[512];
  controller_.SendBmicCommand(0x15, data, sizeof data, 0x0183, 1, 2, rb::kDataIn);
  controller_.SendBmicCommand(0xA0, data, 0x0118, 0, 1, 0, rb::kDataIn);
  controller_.SetBackgroundTasks(false);
  const std::uint8_t bmic[10] = {0x27, 2, 0x83, 0x01, 0, 0, 0x15, 0x02, 0x00, 0};
  EXPECT_TRUE(std::equal(bmic, bmic + 10, Sent(0).begin() + field::kCdb));
  EXPECT_EQ(Sent(1)[field::kCdb], 0x26) << "A0h and 17h go as 26h";
  EXPECT_EQ(Sent(1)[field::kCdb + 7], 0x01);
  EXPECT_EQ(Sent(1)[field::kCdb + 8], 0x18);
  const std::uint8_t disable[10] = {0x27, 0, 0, 0, 0, 0, 0x98, 0, 0, 0};
  EXPECT_TRUE(std::equal(disable, disable + 10, Sent(2).begin() + field::kCdb));
  EXPECT_EQ(layout::Get32(Sent(2).data(), field::kDirection), layout::kCissNoData);
  EXPECT_EQ(Sent(2).size(), layout::kCissRequestSize);
}

TEST_F(CissController, AControllerBehindAnotherSendsThroughItAtItsOwnLun) {
  const rb::CissLun lun = {0x02, 0x00, 0x00, 0x02, 0x03, 0, 0, 0};
  rb::CissDevice external("cissController", controller_, lun, false);
  EXPECT_TRUE(external.IsExternal());
  EXPECT_EQ(external.Caption(), "External Array Controller");
  const std::uint8_t cdb[6] = {0x00};
  external.SendToController(cdb, 6, nullptr, 0, rb::kNoData);
  ASSERT_EQ(Fake().calls.size(), 1u);
  EXPECT_EQ(Fake().calls[0].handle, ArrayPortFake::HandleOf(3)) << "on the delegate's port";
  EXPECT_TRUE(std::equal(lun.begin(), lun.end(), Sent(0).begin() + field::kLun));
  // Its failures are the delegate's: an unsupported delegate refuses before any request.
  controller_.SetSupported(false);
  const rb::OruError error = RaisedBy([&] { external.SendToController(cdb, 6, nullptr, 0, rb::kNoData); });
  EXPECT_EQ(error.Message(), "Controller is not supported");
  EXPECT_EQ(error.Detail(), "cissController0");
  EXPECT_EQ(Fake().calls.size(), 1u);
}

TEST(CissLunAddress, BusAndTargetByAddressingMode) {
  const struct {
    rb::CissLun lun;
    std::uint8_t bus;
    std::uint16_t target;
  } cases[] = {
      {{0x05, 0x00, 0x00, 0x02, 1, 0, 0, 0}, 2, 5},       // mode 0
      {{0x34, 0x12, 0x00, 0x41, 0, 0, 0, 0}, 1, 0x1234},  // mode 1: bits 24-29 and 16 bits
      {{0x01, 0x00, 0x00, 0xC0, 0, 0, 9, 0xC3}, 3, 9},    // mode 3: byte 7's low six bits, byte 6
  };
  for (const auto& c : cases) {
    const rb::CissLunAddress address = rb::DecodePhysicalLun(c.lun);
    EXPECT_EQ(address.bus, c.bus);
    EXPECT_EQ(address.target, c.target);
  }
}

}  // namespace
