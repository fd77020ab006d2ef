// The array controllers' transports against a recording fake of their ports: the miniport framing,
// port discovery with its claims, the PCI location, and the exact CISS, BMIC and SCSI-through-BMIC
// requests with their results.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "controllers/arrayportfake.h"
#include "controllers/bmicdriver.h"
#include "controllers/cisscommandlist.h"
#include "controllers/cissdriver.h"
#include "controllers/controllerportdiscovery.h"
#include "controllers/miniportrequest.h"
#include "devices/scsitestbench.h"
#include "framework/ptstream.h"
#include "platform/recordingplatform.h"

namespace {

using rbtest::ArrayPortFake;
using rbtest::RaisedBy;

template <class T>
T At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

std::vector<std::uint16_t> Found(const rb::ControllerPortTable& table) {
  std::vector<std::uint16_t> ports;
  for (std::uint16_t port : table)
    if (port != rb::kEmptyPortEntry) ports.push_back(port);
  return ports;
}

class ArrayTransport : public testing::Test {
 protected:
  ArrayTransport() { rb::ForgetClaimedControllerPorts(); }
  ~ArrayTransport() override { rb::ForgetClaimedControllerPorts(); }
  ArrayPortFake& Fake() { return static_cast<ArrayPortFake&>(installed_.Get()); }

  rbtest::InstalledPlatform installed_{std::make_unique<ArrayPortFake>()};
};

TEST_F(ArrayTransport, TheHeaderCarriesTheSignatureAndTimeoutOfEachKind) {
  Fake().ports[0].classBySignature = {{"CSMIALL", 1}, {"ZBRCSMI", 4}};
  const struct {
    int kind;
    const char* signature;
    std::uint32_t timeout;
  } cases[] = {{0, "CSMIALL", 60},  {1, "ZBRBMIC", 180}, {2, "ZBRSCSI", 180}, {3, "ZBRFC", 180},
               {4, "ZBRCISS", 180}, {5, "ZBRCSMI", 180}, {9, "CSMIALL", 60}};
  using Kind = rb::arraylayout::DriverKind;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Fake().calls.clear();
    std::uint8_t buffer[40];
    std::memset(buffer, 0xEE, sizeof buffer);
    rb::SendMiniportRequest(ArrayPortFake::HandleOf(0), static_cast<Kind>(c.kind), 7, buffer, sizeof buffer);
    ASSERT_EQ(Fake().calls.size(), 1u);
    const std::vector<std::uint8_t>& sent = Fake().calls[0].bytes;
    EXPECT_EQ(Fake().calls[0].code, 0x4D008u);
    EXPECT_EQ(sent.size(), 40u);
    EXPECT_EQ(At<std::uint32_t>(sent, 0), 28u);
    char signature[9] = {};
    std::memcpy(signature, sent.data() + 4, 8);
    EXPECT_STREQ(signature, c.signature);
    for (std::size_t i = std::strlen(c.signature); i < 8; ++i) EXPECT_EQ(sent[4 + i], 0) << "NUL-padded";
    EXPECT_EQ(At<std::uint32_t>(sent, 12), c.timeout);
    EXPECT_EQ(At<std::uint32_t>(sent, 16), 7u);
    EXPECT_EQ(At<std::uint32_t>(sent, 20), 0u);
    EXPECT_EQ(At<std::uint32_t>(sent, 24), 12u);
    EXPECT_EQ(sent[28], 0xEE) << "the body is the caller's";
  }
}

TEST_F(ArrayTransport, ReturnCodesOneToThreeRaiseAndFourOrMoreReportFalse) {
  Fake().ports[0] = {};
  const struct {
    std::uint32_t code;
    const char* detail;  // null: no error
    bool result;
  } cases[] = {{0, nullptr, true},
               {1, "CSMI operation failed", false},
               {2, "Bad CSMI control code : 9", false},
               {3, "Invalid CSMI parameter", false},
               {4, nullptr, false},
               {5, nullptr, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    Fake().answer = [&](std::uint8_t* request, win::DWORD) {
      std::memcpy(request + 20, &c.code, 4);
      request[30] = 0x5A;  // what the driver left is the caller's to read
    };
    std::uint8_t buffer[32] = {};
    if (c.detail == nullptr) {
      EXPECT_EQ(rb::SendMiniportRequest(ArrayPortFake::HandleOf(0), rb::arraylayout::DriverKind::kBmic, 9,
                                        buffer, 32),
                c.result);
      EXPECT_EQ(buffer[30], 0x5A);
    } else {
      const rb::OruError error = RaisedBy([&] {
        rb::SendMiniportRequest(ArrayPortFake::HandleOf(0), rb::arraylayout::DriverKind::kBmic, 9, buffer,
                                32);
      });
      EXPECT_EQ(error.Message(), "Driver reported problem");
      EXPECT_EQ(error.Detail(), c.detail);
    }
  }
  EXPECT_EQ(Fake().calls.size(), 6u) << "nothing is sent twice";
}

TEST_F(ArrayTransport, AFailedDriverCallIsTracedAndRaisedWithTheSystemError) {
  Fake().ports[0] = {};
  Fake().ioctlError = 31;
  std::uint8_t buffer[28] = {};
  const rb::OruError error = RaisedBy([&] {
    rb::SendMiniportRequest(ArrayPortFake::HandleOf(0), rb::arraylayout::DriverKind::kCiss, 2, buffer, 28);
  });
  EXPECT_EQ(error.Message(), "Driver reported problem");
  EXPECT_EQ(error.Detail(), "DeviceIoControl error code : 31");
  EXPECT_EQ(Fake().calls.size(), 1u);
}

TEST_F(ArrayTransport, AMachineWithoutControllersYieldsAnEmptyTable) {
  Fake().ports[1].classBySignature = {{"CSMIALL", 5}, {"ZBRCSMI", 5}};  // a CSMI host adapter
  const rb::ControllerPortTable table = rb::CissDriver::DiscoverPorts();
  for (std::uint16_t entry : table) EXPECT_EQ(entry, 0xFFFF);
  EXPECT_EQ(Found(rb::BmicDriver::DiscoverPorts()).size(), 0u);
  EXPECT_EQ(Fake().opens.size(), 128u) << "every port number is tried";
  EXPECT_EQ(Fake().openHandles, 0);
  EXPECT_FALSE(rb::IsControllerPortClaimed(1));
}

TEST_F(ArrayTransport, EachDiscoveryAsksWithItsOwnKindAndClaimsOnlyItsClass) {
  Fake().ports[2].classBySignature = {{"CSMIALL", 1}};                  // BMIC
  Fake().ports[5].classBySignature = {{"ZBRCSMI", 4}};                  // CISS
  Fake().ports[7].classBySignature = {{"CSMIALL", 4}, {"ZBRCSMI", 4}};  // CISS answering both
  EXPECT_EQ(Found(rb::BmicDriver::DiscoverPorts()), (std::vector<std::uint16_t>{2}));
  EXPECT_FALSE(rb::IsControllerPortClaimed(7)) << "another class is left for the next discovery";
  EXPECT_EQ(Found(rb::CissDriver::DiscoverPorts()), (std::vector<std::uint16_t>{5, 7}));
  for (unsigned port : {2u, 5u, 7u}) EXPECT_TRUE(rb::IsControllerPortClaimed(port)) << port;

  // The queries: configuration, status, driver information, each of its size, with the kind's header;
  // port 5 fails the configuration query of this kind and is asked nothing more.
  Fake().calls.clear();
  rb::ForgetClaimedControllerPorts();
  rb::BmicDriver::DiscoverPorts();
  ASSERT_EQ(Fake().calls.size(), 3u + 1u + 3u);
  EXPECT_EQ(Fake().calls[3].handle, ArrayPortFake::HandleOf(5));
  EXPECT_EQ(Fake().calls[4].handle, ArrayPortFake::HandleOf(7));
  const std::uint32_t codes[] = {2, 3, 1};
  const std::size_t sizes[] = {208, 64, 204};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(At<std::uint32_t>(Fake().calls[i].bytes, 16), codes[i]);
    EXPECT_EQ(Fake().calls[i].bytes.size(), sizes[i]);
    EXPECT_EQ(At<std::uint32_t>(Fake().calls[i].bytes, 12), 60u);
  }
  EXPECT_EQ(Fake().calls[0].handle, ArrayPortFake::HandleOf(2));
  EXPECT_EQ(Fake().opens[2].share, 0u);
  EXPECT_EQ(Fake().opens[2].access, win::GENERIC_READ | win::GENERIC_WRITE);
  EXPECT_EQ(Fake().opens[2].disposition, win::OPEN_EXISTING);
}

TEST_F(ArrayTransport, APortClaimedByOneDiscoveryIsNeverOfferedToTheOther) {
  // A port that answers every signature with both classes' queries: the first discovery takes it.
  Fake().ports[3].classBySignature = {{"CSMIALL", 1}, {"ZBRCSMI", 1}};
  EXPECT_EQ(Found(rb::BmicDriver::DiscoverPorts()), (std::vector<std::uint16_t>{3}));
  Fake().ports[3].classBySignature = {{"CSMIALL", 4}, {"ZBRCSMI", 4}};
  Fake().calls.clear();
  EXPECT_TRUE(Found(rb::CissDriver::DiscoverPorts()).empty());
  EXPECT_TRUE(Found(rb::BmicDriver::DiscoverPorts()).empty());
  for (const auto& call : Fake().calls) EXPECT_NE(call.handle, ArrayPortFake::HandleOf(3));
}

TEST_F(ArrayTransport, APortThatFailsTheConfigurationIsPassedOverButAFailedStatusRaises) {
  Fake().ports[4].classBySignature = {};       // every query fails
  Fake().ports[5] = {{{"ZBRCSMI", 5}}, true};  // a host adapter without the status request
  Fake().ports[6].classBySignature = {{"ZBRCSMI", 4}};
  EXPECT_EQ(Found(rb::CissDriver::DiscoverPorts()), (std::vector<std::uint16_t>{6}));

  rb::ForgetClaimedControllerPorts();
  Fake().ports[6].statusFails = true;
  const rb::OruError error = RaisedBy([] { rb::CissDriver::DiscoverPorts(); });
  EXPECT_EQ(error.Message(), "Driver reported problem");
  EXPECT_EQ(error.Detail(), "Unable to retrieve controller status");
  EXPECT_FALSE(rb::IsControllerPortClaimed(6));
  EXPECT_EQ(Fake().openHandles, 0);
}

TEST_F(ArrayTransport, ThePciLocationIsReadOnlyFromAPciBus) {
  Fake().ports[9] = {{{"ZBRCSMI", 4}, {"CSMIALL", 1}}, false, 3, 6, 2, 1};
  std::int32_t bus = -1, device = -1, function = -1;
  rb::CissDriver(9).PciLocation(bus, device, function);
  EXPECT_EQ(bus, 6);
  EXPECT_EQ(device, 2);
  EXPECT_EQ(function, 1);
  EXPECT_EQ(Fake().calls.size(), 1u);

  Fake().ports[9].busType = 1;
  bus = device = function = -1;
  rb::BmicDriver(9).PciLocation(bus, device, function);
  EXPECT_EQ(bus, -1);
  EXPECT_EQ(device, -1);
  EXPECT_EQ(function, -1);
  rb::BmicDriver(12).PciLocation(bus, device, function);  // no such port
  EXPECT_EQ(bus, -1);
  EXPECT_EQ(Fake().openHandles, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Fake().calls[1].bytes.data()) + 4), "CSMIALL");
}

// A CISS command list as the controller device fills it.
rb::CissCommandList CommandList(std::uint8_t direction, void* data, std::uint32_t length,
                                rb::CissErrorInfo* error) {
  rb::CissCommandList list{};
  list.tag = rb::CissCommandList::kTag;
  const std::uint8_t lun[8] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
  std::memcpy(list.lunAddress, lun, 8);
  list.cdbLength = 10;
  for (int i = 0; i < 16; ++i) list.cdb[i] = static_cast<std::uint8_t>(0xA0 + i);
  list.type = static_cast<std::uint8_t>((4 << 3) | (direction << 6));
  list.timeout = rb::CissCommandList::kTimeoutSeconds;
  list.entries[0].address = reinterpret_cast<std::uintptr_t>(data);
  list.entries[0].length = length;
  list.errorRecord = error;
  return list;
}

TEST_F(ArrayTransport, ACissCommandIsOneRequestOf152BytesPlusItsData) {
  Fake().ports[3] = {};
  rb::CissDriver driver(3);
  const struct {
    std::uint8_t direction;
    std::uint32_t length;
    std::uint32_t requestDirection;
  } cases[] = {{0, 0, 4}, {2, 16, 1}, {1, 8, 2}, {3, 0, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.direction));
    Fake().calls.clear();
    std::uint8_t data[16];
    std::memset(data, 0x33, sizeof data);
    rb::CissErrorInfo error{};
    Fake().answer = [](std::uint8_t* request, win::DWORD length) {
      request[76] = 2;
      request[77] = 18;
      request[78] = 1;  // command status 1
      request[80] = 0x40;
      for (int i = 0; i < 8; ++i) request[84 + i] = static_cast<std::uint8_t>(i + 1);
      for (int i = 0; i < 32; ++i) request[92 + i] = static_cast<std::uint8_t>(0xC0 + i);
      std::memset(request + 148, 0x77, length - 148);
    };
    rb::CissCommandList list = CommandList(c.direction, c.length > 0 ? data : nullptr, c.length, &error);
    driver.Send(list);

    ASSERT_EQ(Fake().calls.size(), 1u);
    const std::vector<std::uint8_t>& sent = Fake().calls[0].bytes;
    ASSERT_EQ(sent.size(), 152u + c.length);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sent.data()) + 4), "ZBRCISS");
    EXPECT_EQ(At<std::uint32_t>(sent, 16), 2u);
    EXPECT_EQ(At<std::uint32_t>(sent, 24), 124u + c.length);
    EXPECT_EQ(std::memcmp(sent.data() + 28, list.lunAddress, 8), 0);
    EXPECT_EQ(At<std::uint16_t>(sent, 36), 60);
    EXPECT_EQ(sent[38], 10);
    EXPECT_EQ(std::memcmp(sent.data() + 40, list.cdb, 10), 0);
    EXPECT_EQ(sent[50], 0) << "only the CDB's length is copied";
    EXPECT_EQ(At<std::uint32_t>(sent, 56), c.requestDirection);
    for (std::size_t i = 0; i < c.length; ++i) EXPECT_EQ(sent[148 + i], 0x33);

    EXPECT_EQ(error.scsiStatus, 2);
    EXPECT_EQ(error.senseLength, 18);
    EXPECT_EQ(error.commandStatus, 1);
    EXPECT_EQ(error.residualCount, 0x40u);
    EXPECT_EQ(error.moreErrorInfo[7], 8);
    EXPECT_EQ(error.senseData[31], 0xDF);
    if (c.length > 0) {
      EXPECT_EQ(data[c.length - 1], 0x77);
    }
  }
  EXPECT_EQ(Fake().opens.size(), 1u) << "the handle is kept between commands";
  EXPECT_EQ(Fake().opens[0].flags, win::FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ArrayTransport, AFailedOpenIsTriedAgainByTheNextSend) {
  Fake().ports[3] = {};
  Fake().failedOpens = 1;
  rb::CissDriver driver(3);
  rb::CissErrorInfo error{};
  rb::CissCommandList list = CommandList(0, nullptr, 0, &error);
  const rb::OruError raised = RaisedBy([&] { driver.Send(list); });
  EXPECT_EQ(raised.Message(), "Driver reported problem");
  EXPECT_EQ(raised.Detail(), "\\\\.\\SCSI3: : Cannot open driver");
  EXPECT_FALSE(driver.IsOpen());
  driver.Send(list);
  EXPECT_TRUE(driver.IsOpen());
  EXPECT_EQ(Fake().opens.size(), 2u);
  EXPECT_EQ(Fake().calls.size(), 1u);
}

TEST_F(ArrayTransport, ABmicCommandCarriesUnitCommandAndParametersAndReturnsItsStatus) {
  Fake().ports[1] = {};
  Fake().answer = [](std::uint8_t* request, win::DWORD length) {
    request[60] = 0x0F;
    std::memset(request + 92, 0x44, length - 92);
  };
  rb::BmicDriver driver(1);
  rb::BmicRecord record;
  record.unit = 3;
  record.command = 0x15;
  record.parameter = 0x89ABCDEF;
  record.secondParameter = 0x1234;
  std::uint8_t data[20] = {};
  data[0] = 0x55;
  driver.Send(record, data, sizeof data);
  ASSERT_EQ(Fake().calls.size(), 1u);
  const std::vector<std::uint8_t>& sent = Fake().calls[0].bytes;
  ASSERT_EQ(sent.size(), 96u + 20u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sent.data()) + 4), "ZBRBMIC");
  EXPECT_EQ(At<std::uint32_t>(sent, 12), 180u);
  EXPECT_EQ(At<std::uint32_t>(sent, 16), 1u);
  EXPECT_EQ(sent[28], 3);
  EXPECT_EQ(sent[29], 0x15);
  EXPECT_EQ(At<std::uint16_t>(sent, 30), 0x1234);
  EXPECT_EQ(At<std::uint32_t>(sent, 32), 0x89ABCDEFu);
  EXPECT_EQ(sent[92], 0x55);
  EXPECT_EQ(record.status, 0x0F);
  EXPECT_EQ(data[19], 0x44);
}

TEST_F(ArrayTransport, AScsiCommandThroughBmicCopiesTheSenseOnlyForCheckCondition) {
  Fake().ports[1] = {};
  rb::BmicDriver driver(1);
  for (std::uint8_t status : {std::uint8_t{2}, std::uint8_t{8}}) {
    SCOPED_TRACE(static_cast<int>(status));
    Fake().calls.clear();
    Fake().answer = [status](std::uint8_t* request, win::DWORD length) {
      request[92] = 1;
      const std::uint32_t residual = 12, information = 0x01020304;
      std::memcpy(request + 96, &residual, 4);
      std::memcpy(request + 100, &information, 4);
      request[104] = status;
      request[105] = 0x12;
      request[106] = 0x11;
      request[107] = 3;
      request[108] = 0x70;
      request[109] = 0x05;
      std::memset(request + 124, 0x66, length - 124);
    };
    rb::BmicRecord record;
    record.command = 0x91;
    rb::ScsiThroughBmicRecord scsi;
    scsi.path = 2;
    scsi.target = 5;
    scsi.lun = 1;
    scsi.cdbLength = 6;
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 0xF0, 0};
    std::memcpy(scsi.cdb, cdb, 6);
    std::uint8_t data[8] = {};
    driver.Send(record, data, sizeof data, &scsi);
    const std::vector<std::uint8_t>& sent = Fake().calls.at(0).bytes;
    ASSERT_EQ(sent.size(), 128u + 8u);
    EXPECT_EQ(At<std::uint32_t>(sent, 16), 2u);
    EXPECT_EQ(sent[28], 2);
    EXPECT_EQ(sent[29], 5);
    EXPECT_EQ(sent[30], 1);
    EXPECT_EQ(sent[31], 6);
    EXPECT_EQ(std::memcmp(sent.data() + 32, cdb, 6), 0);
    EXPECT_EQ(At<std::uint32_t>(sent, 48), 30u);
    EXPECT_EQ(record.status, 1);
    EXPECT_EQ(scsi.residualCount, 12u);
    EXPECT_EQ(scsi.scsiStatus, status);
    EXPECT_EQ(scsi.machineError, 0x12);
    EXPECT_EQ(data[7], 0x66);
    const bool check = status == 2;
    EXPECT_EQ(scsi.senseInformation, check ? 0x01020304u : 0u);
    EXPECT_EQ(scsi.additionalSenseCode, check ? 0x11 : 0);
    EXPECT_EQ(scsi.senseKey, check ? 3 : 0);
    EXPECT_EQ(scsi.senseErrorCode, check ? 0x70 : 0);
    EXPECT_EQ(scsi.qualifier, check ? 0x05 : 0);
  }
}

TEST(ArrayPortDriver, PersistsThePortAsSixteenBitsAndACopyOpensItsOwnHandle) {
  rb::RegisterStreamableClass<rb::CissDriver>();
  rb::CissDriver driver(42);
  rb::optstream out;
  driver.Stream(out, true, 0);
  const std::string bytes = out.Bytes();
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[0]), 42);
  EXPECT_EQ(bytes[1], 0);
  EXPECT_NE(bytes.find("\\\\.\\SCSI42:"), std::string::npos);
  rb::iptstream in(bytes);
  rb::CissDriver read;
  read.Stream(in, false, 0);
  EXPECT_EQ(read.PortNumber(), 42);
  EXPECT_EQ(read.Path(), "\\\\.\\SCSI42:");
  EXPECT_EQ(in.Remaining(), 0u);

  rb::BmicDriver other(3);
  other.Assign(driver);  // another class: nothing changes
  EXPECT_EQ(other.Path(), "\\\\.\\SCSI3:");
  rb::CissDriver copy(driver);
  EXPECT_EQ(copy.Path(), "\\\\.\\SCSI42:");
  EXPECT_FALSE(copy.IsOpen());
}

}  // namespace
