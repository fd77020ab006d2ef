#include "devices/scsi/scsidriver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "devices/scsi/csmisasinterface.h"
#include "devices/ioctlrecorder.h"
#include "devices/scsitestbench.h"
#include "framework/ptstream.h"
#include "platform/recordingplatform.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace {

using rbtest::BenchScsiDevice;
using rbtest::IoctlRecorder;

class ScsiDriverRequests : public testing::Test {
 protected:
  IoctlRecorder& Ioctl() { return static_cast<IoctlRecorder&>(installed_.Get()); }

  rbtest::InstalledPlatform installed_{std::make_unique<IoctlRecorder>()};
  rb::ScsiDriver driver_{"\\\\.\\SCSI3:"};
  BenchScsiDevice device_{"disk", false, &driver_, 1, 4, 2};
};

TEST_F(ScsiDriverRequests, DirectPassThroughRoundsTheTransferAndSetsDataInOnlyForDirectionOne) {
  Ioctl().answer = [](win::DWORD, void* out, win::DWORD) {
    auto* request = static_cast<win::ScsiPassThroughDirectWithSense*>(out);
    request->header.ScsiStatus = 2;
    auto* data = static_cast<std::uint8_t*>(request->header.DataBuffer);
    std::memset(data, 0xA5, request->header.DataTransferLength);
    for (std::size_t i = 0; i < sizeof request->sense; ++i)
      request->sense[i] = static_cast<std::uint8_t>(i + 1);
  };
  const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 36, 0};
  for (int direction = 0; direction <= 4; ++direction) {
    SCOPED_TRACE(direction);
    Ioctl().calls.clear();
    Ioctl().opens.clear();
    std::uint8_t buffer[40];
    std::memset(buffer, 0x11, sizeof buffer);
    EXPECT_EQ(driver_.SendToScsi(device_, cdb, sizeof cdb, buffer, 36, direction), 2);

    ASSERT_EQ(Ioctl().opens.size(), 1u);
    EXPECT_EQ(Ioctl().opens[0].path, "\\\\.\\SCSI3:");
    EXPECT_EQ(Ioctl().opens[0].access, win::GENERIC_READ | win::GENERIC_WRITE);
    EXPECT_EQ(Ioctl().opens[0].share, 0u);
    EXPECT_EQ(Ioctl().opens[0].disposition, win::OPEN_EXISTING);
    EXPECT_EQ(Ioctl().opens[0].flags, win::FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Ioctl().openHandles, 0);
    ASSERT_EQ(Ioctl().calls.size(), 1u);
    EXPECT_EQ(Ioctl().calls[0].code, 0x4D014u);
    EXPECT_EQ(Ioctl().calls[0].in.size(), 96u);
    EXPECT_EQ(Ioctl().calls[0].outLength, 96u);
    const auto request = Ioctl().Request<win::ScsiPassThroughDirectWithSense>();
    EXPECT_EQ(request.header.Length, 56);
    EXPECT_EQ(request.header.PathId, 1);
    EXPECT_EQ(request.header.TargetId, 4);
    EXPECT_EQ(request.header.Lun, 2);
    EXPECT_EQ(request.header.CdbLength, 6);
    EXPECT_EQ(request.header.SenseInfoLength, 24);
    EXPECT_EQ(request.header.DataIn, direction == 1 ? 1 : 0);
    EXPECT_EQ(request.header.DataTransferLength, 512u);
    EXPECT_EQ(request.header.TimeOutValue, 30u);
    EXPECT_EQ(request.header.SenseInfoOffset, 60u);
    EXPECT_EQ(std::memcmp(request.header.Cdb, cdb, sizeof cdb), 0);

    // 36 bytes come back for every direction, the rest of the caller's buffer stays; the record
    // keeps the CDB and 36 sense bytes.
    EXPECT_EQ(buffer[0], 0xA5);
    EXPECT_EQ(buffer[35], 0xA5);
    EXPECT_EQ(buffer[36], 0x11);
    EXPECT_EQ(device_.Record().cdbLength, 6);
    EXPECT_EQ(device_.Record().cdb[4], 36);
    EXPECT_EQ(device_.Record().sense[0], 1);
    EXPECT_EQ(device_.Record().sense[35], 36);
    EXPECT_EQ(device_.Record().sense[36], 0);
  }
}

TEST_F(ScsiDriverRequests, OpenAndDriverFailuresRaiseWithTheSystemText) {
  const std::uint8_t cdb[6] = {};
  Ioctl().openError = win::ERROR_FILE_NOT_FOUND;
  const rb::OruError raised =
      rbtest::RaisedBy([&] { driver_.SendToScsi(device_, cdb, sizeof cdb, nullptr, 0, 0); });
  EXPECT_EQ(raised.Message(), "Driver reported problem");
  EXPECT_EQ(raised.Detail(), "\\\\.\\SCSI3: system text 2");
  Ioctl().openError = win::ERROR_SUCCESS;
  Ioctl().ioctlError = win::ERROR_SEM_TIMEOUT;
  const rb::OruError raised2 =
      rbtest::RaisedBy([&] { driver_.SendToScsi(device_, cdb, sizeof cdb, nullptr, 0, 0); });
  EXPECT_EQ(raised2.Detail(), "\\\\.\\SCSI3: system text 121");
  EXPECT_EQ(Ioctl().openHandles, 0);
}

TEST_F(ScsiDriverRequests, CsmiSignaturesPerCodeAndReturnCodeRules) {
  win::DWORD returnCode = 0;
  Ioctl().answer = [&returnCode](win::DWORD, void* out, win::DWORD) {
    static_cast<win::SrbIoControl*>(out)->ReturnCode = returnCode;
  };
  const std::pair<win::DWORD, const char*> signatures[] = {{1, "CSMIALL"},  {4, "CSMIALL"},  {10, "CSMIARY"},
                                                           {11, "CSMIARY"}, {12, "CSMISAS"}, {20, "CSMISAS"},
                                                           {24, "CSMISAS"}, {60, "CSMIPHY"}};
  for (const auto& [code, signature] : signatures) {
    std::uint8_t buffer[64] = {};
    EXPECT_TRUE(driver_.CsmiIoctl(code, buffer, sizeof buffer));
    const auto header = Ioctl().Request<win::SrbIoControl>(Ioctl().calls.size() - 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(header.Signature)), signature) << code;
    EXPECT_EQ(header.HeaderLength, 28u);
    EXPECT_EQ(header.Timeout, 60u);
    EXPECT_EQ(header.ControlCode, code);
    EXPECT_EQ(header.ReturnCode, 1u);
    EXPECT_EQ(header.Length, 64u - 28u);
    EXPECT_EQ(Ioctl().calls.back().code, 0x4D008u);
  }
  EXPECT_EQ(Ioctl().opens.back().share, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE);

  const std::pair<win::DWORD, const char*> failures[] = {
      {1, "CSMI operation failed"},
      {2, "Bad CSMI control code : 20"},
      {3, "Invalid CSMI parameter"},
      {4, "Security level is insufficient to complete the command"}};
  for (const auto& [code, detail] : failures) {
    returnCode = code;
    std::uint8_t buffer[64] = {};
    const rb::OruError raised3 = rbtest::RaisedBy([&] { driver_.CsmiIoctl(20, buffer, sizeof buffer); });
    EXPECT_EQ(raised3.Message(), "Driver reported problem");
    EXPECT_EQ(raised3.Detail(), detail);
  }
  for (win::DWORD code : {5u, 6u, 255u}) {
    returnCode = code;
    std::uint8_t buffer[64] = {};
    EXPECT_FALSE(driver_.CsmiIoctl(20, buffer, sizeof buffer)) << code;
  }
}

TEST_F(ScsiDriverRequests, CsmiGoesToTheAdapterPathAndFailuresName) {
  rb::ScsiDriver adapter("\\\\.\\SCSI9:");
  driver_.SetCsmiAdapter(&adapter);
  Ioctl().answer = [](win::DWORD, void* out, win::DWORD) {
    static_cast<win::SrbIoControl*>(out)->ReturnCode = 0;
  };
  std::uint8_t buffer[64] = {};
  EXPECT_TRUE(driver_.CsmiIoctl(1, buffer, sizeof buffer));
  EXPECT_EQ(Ioctl().opens.back().path, "\\\\.\\SCSI9:");

  Ioctl().openError = win::ERROR_ACCESS_DENIED;
  const rb::OruError raised4 = rbtest::RaisedBy([&] { driver_.CsmiIoctl(1, buffer, sizeof buffer); });
  EXPECT_EQ(raised4.Detail(), "\\\\.\\SCSI9: : Cannot open driver");
  Ioctl().openError = win::ERROR_SUCCESS;
  Ioctl().ioctlError = win::ERROR_NOT_SUPPORTED;
  const rb::OruError raised5 = rbtest::RaisedBy([&] { driver_.CsmiIoctl(1, buffer, sizeof buffer); });
  EXPECT_EQ(raised5.Detail(), "DeviceIoControl error code : 50");
  // A driver failure makes the adapter one that does not speak CSMI.
  EXPECT_FALSE(rb::CsmiSasInterface::SpeaksCsmi(driver_));
}

TEST_F(ScsiDriverRequests, CsmiAnswerCountsAreBoundedByTheRequest) {
  // An SSP answer that claims more data than was asked for, and an STP one likewise.
  Ioctl().answer = [](win::DWORD code, void* out, win::DWORD length) {
    auto* bytes = static_cast<std::uint8_t*>(out);
    if (code != win::IOCTL_SCSI_MINIPORT) return;
    win::SrbIoControl header;
    std::memcpy(&header, bytes, sizeof header);
    header.ReturnCode = 0;
    std::memcpy(bytes, &header, sizeof header);
    if (header.ControlCode == win::CC_CSMI_SAS_SSP_PASSTHRU) {
      auto* request = reinterpret_cast<win::CsmiSasSspPassthruBuffer*>(bytes);
      request->Status.uDataBytes = 0xFFFFFFFF;
      request->Status.bDataPresent = 2;
      std::memset(request->Status.bResponse, 0x70, sizeof request->Status.bResponse);
      std::memset(bytes + win::kCsmiSspDataOffset, 0x5A, length - win::kCsmiSspDataOffset);
    } else {
      auto* request = reinterpret_cast<win::CsmiSasStpPassthruBuffer*>(bytes);
      request->Status.uDataBytes = 0xFFFFFFFF;
      request->Status.bStatusFIS[2] = 0x50;
      std::memset(bytes + win::kCsmiStpDataOffset, 0x6B, length - win::kCsmiStpDataOffset);
    }
  };
  // The device's address comes from its phy copy: SSP names that phy, STP lets the adapter choose.
  device_.Record().csmiPhyCopy.sasAddress[0] = 0x50;
  device_.Record().csmiPhyCopy.phyIdentifier = 3;
  const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 16, 0};
  std::uint8_t buffer[20];
  std::memset(buffer, 0, sizeof buffer);
  EXPECT_EQ(driver_.SspPassThrough(device_, cdb, sizeof cdb, buffer, 16, rb::kDataIn), 0);
  EXPECT_EQ(Ioctl().calls.back().in.size(), 372u + 16u);
  EXPECT_EQ(buffer[15], 0x5A);
  EXPECT_EQ(buffer[16], 0);
  EXPECT_EQ(device_.Record().sense[255], 0x70);
  const auto ssp = Ioctl().Request<win::CsmiSasSspPassthruBuffer>(Ioctl().calls.size() - 1);
  EXPECT_EQ(ssp.Parameters.bPortIdentifier, 0xFF);
  EXPECT_EQ(ssp.Parameters.bPhyIdentifier, 3);
  EXPECT_EQ(ssp.Parameters.bDestinationSASAddress[0], 0x50);
  EXPECT_EQ(ssp.Parameters.uFlags, 1u);
  EXPECT_EQ(ssp.Parameters.uDataLength, 16u);

  const std::uint8_t fis[20] = {0x27, 0x80, 0xEC};
  std::memset(buffer, 0, sizeof buffer);
  EXPECT_EQ(driver_.StpPassThrough(device_, fis, sizeof fis, buffer, 16, rb::kDataIn), 0x50);
  EXPECT_EQ(Ioctl().calls.back().in.size(), 168u + 16u);
  EXPECT_EQ(buffer[15], 0x6B);
  EXPECT_EQ(buffer[16], 0);
  EXPECT_EQ(device_.Record().stp.commandFis[2], 0xEC);
  EXPECT_EQ(device_.Record().stp.statusFis[2], 0x50);
  const auto stp = Ioctl().Request<win::CsmiSasStpPassthruBuffer>(Ioctl().calls.size() - 1);
  EXPECT_EQ(stp.Parameters.uFlags, 0x11u);
  EXPECT_EQ(stp.Parameters.bPhyIdentifier, 0xFF);
  EXPECT_EQ(stp.Parameters.bDestinationSASAddress[0], 0x50);
  EXPECT_EQ(stp.Parameters.bPortIdentifier, 0xFF);
}

TEST(ScsiDriver, ParsesThePortNumberOutOfThePath) {
  const std::tuple<const char*, std::uint32_t, std::uint32_t> cases[] = {{"\\\\.\\SCSI7:", 7, 0},
                                                                         {"\\\\.\\SCSI0:", 0, 0},
                                                                         {"\\\\.\\SCSI12:", 12, 0},
                                                                         {"\\\\.\\SCSI7", 0, 1},
                                                                         {"\\\\.\\SCSI7:x", 0, 1},
                                                                         {"\\\\.\\CDROM0", 0, 1},
                                                                         {"", 0, 1},
                                                                         {"\\\\.\\SCSI-1:", 0, 1},
                                                                         {"SCSI7:", 0, 1}};
  for (const auto& [path, port, unparsed] : cases) {
    const rb::ScsiDriver driver(path);
    EXPECT_EQ(driver.Port().portNumber, port) << path;
    EXPECT_EQ(driver.Port().unparsed, unparsed) << path;
    EXPECT_EQ(driver.Path(), path);
  }
}

TEST(ScsiDriver, PersistsItsFieldsAndTheAdapterLinks) {
  rb::RegisterStreamableClass<rb::ScsiDriver>();
  struct Pair : rb::Persistent {
    std::unique_ptr<rb::ScsiDriver> adapter, driver;
    void Stream(rb::ptstream& stream, bool, std::int32_t) override {
      stream.TransferOwned(adapter);
      stream.TransferOwned(driver);
    }
    void Assign(const rb::Persistent&) override {}
    std::string StreamableName() const override { return "ScsiDriverPair"; }
    std::unique_ptr<rb::Persistent> Clone() const override { return std::make_unique<Pair>(); }
  };
  rb::RegisterStreamableClass("ScsiDriverPair",
                              []() -> std::unique_ptr<rb::Persistent> { return std::make_unique<Pair>(); });
  Pair pair;
  pair.adapter = std::make_unique<rb::ScsiDriver>("\\\\.\\SCSI1:");
  pair.driver = std::make_unique<rb::ScsiDriver>("\\\\.\\SCSI5:");
  pair.driver->SetCsmiAdapter(pair.adapter.get());
  pair.driver->SetSecondAdapter(pair.adapter.get());
  rb::optstream out;
  out.WritePointer(&pair);
  // Path (4 + 11), port number, flag, 512 reserved bytes, two links (a tag and a number) and the
  // handle slot.
  EXPECT_NE(out.Bytes().find(std::string("\\\\.\\SCSI5:")), std::string::npos);

  rb::iptstream in(out.Bytes());
  const auto copy = in.ReadObject<Pair>();
  ASSERT_NE(copy->driver, nullptr);
  EXPECT_EQ(copy->driver->Path(), "\\\\.\\SCSI5:");
  EXPECT_EQ(copy->driver->Port().portNumber, 5u);
  EXPECT_EQ(copy->driver->CsmiAdapter(), copy->adapter.get());
  EXPECT_EQ(copy->driver->SecondAdapter(), copy->adapter.get());
  EXPECT_EQ(in.Remaining(), 0u);

  rb::ScsiDriver assigned("\\\\.\\SCSI0:");
  assigned.Assign(*copy->driver);
  EXPECT_EQ(assigned.Path(), "\\\\.\\SCSI5:");
  EXPECT_EQ(assigned.Port().portNumber, 5u);
  assigned.Assign(pair);  // another class: nothing changes
  EXPECT_EQ(assigned.Path(), "\\\\.\\SCSI5:");
  EXPECT_EQ(assigned.StreamableName(), "ScsiDriver");
  EXPECT_EQ(assigned.Kind(), -1);
}

TEST(ScsiDriver, DescribesItsPathUnlessSparrow) {
  rb::ScsiDriver driver("\\\\.\\SCSI2:");
  rb::XmlObject element("<device/>");
  driver.Describe(element);
  ASSERT_EQ(element.Children().size(), 1u);
  EXPECT_EQ(element.Children()[0].GetAttribute("name"), "DevicePath");
  EXPECT_EQ(element.Children()[0].GetAttribute("caption"), "Device Path");
  EXPECT_EQ(element.Children()[0].GetAttribute("value"), "\\\\.\\SCSI2:");
}

}  // namespace
