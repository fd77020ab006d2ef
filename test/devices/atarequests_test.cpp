// The ATA requests as the drivers receive them (a recording fake of the device-control layer): the
// registers, sizes and flags of each request, and how the answers are read.

#include "devices/ata/atarequests.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>

#include "ioctlrecorder.h"
#include "platform/recordingplatform.h"

namespace {

using rbtest::IoctlRecorder;

class AtaRequests : public ::testing::Test {
 protected:
  AtaRequests() : installed_(std::make_unique<IoctlRecorder>()) {}
  IoctlRecorder& Ioctl() { return static_cast<IoctlRecorder&>(installed_.Get()); }
  // The registers of a SENDCMDINPARAMS request as "features count lbaLow mid high device command".
  static std::string Registers(const win::IdeRegs& regs) {
    char text[40];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X %02X", regs.bFeaturesReg,
                  regs.bSectorCountReg, regs.bSectorNumberReg, regs.bCylLowReg, regs.bCylHighReg,
                  regs.bDriveHeadReg, regs.bCommandReg);
    return text;
  }

  rbtest::InstalledPlatform installed_;
};

TEST_F(AtaRequests, ReturnStatusTellsAThresholdFromHealthAndFailure) {
  struct Case {
    std::uint8_t mid, high, driverError;
    int expected;
  };
  for (const Case& c : {Case{0x4F, 0xC2, 0, 0}, Case{0xF4, 0x2C, 0, 1}, Case{0xF4, 0x2C, 1, 0}}) {
    Ioctl().answer = [&](win::DWORD, void* out, win::DWORD length) {
      ASSERT_EQ(length, 24u);
      auto* bytes = static_cast<std::uint8_t*>(out);
      bytes[4] = c.driverError;
      win::IdeRegs returned{};
      returned.bCylLowReg = c.mid;
      returned.bCylHighReg = c.high;
      std::memcpy(bytes + win::kSendCmdOutLength, &returned, sizeof returned);
    };
    EXPECT_EQ(rb::ata::SmartReturnStatus("\\\\.\\PhysicalDrive1"), c.expected) << int{c.mid};
  }
  const IoctlRecorder::Call& call = Ioctl().calls.back();
  EXPECT_EQ(call.code, win::SMART_SEND_DRIVE_COMMAND);
  EXPECT_EQ(call.in.size(), 32u);
  const auto request = Ioctl().Request<win::SendCmdInParams>();
  EXPECT_EQ(Registers(request.irDriveRegs), "DA 00 00 4F C2 A0 B0");
  EXPECT_EQ(request.bDriveNumber, 0);
  // Unbuffered, with the system's own error dialogs off.
  EXPECT_EQ(Ioctl().opens.back().flags, win::FILE_FLAG_NO_BUFFERING);
  EXPECT_EQ(Ioctl().opens.back().access, win::GENERIC_READ | win::GENERIC_WRITE);

  Ioctl().ioctlError = win::ERROR_INVALID_FUNCTION;
  EXPECT_EQ(rb::ata::SmartReturnStatus("\\\\.\\PhysicalDrive1"), -1);
  EXPECT_EQ(Ioctl().openHandles, 0);
}

TEST_F(AtaRequests, SmartDataIsKeptOnlyWhenItsChecksumHolds) {
  std::uint8_t sum = 0;
  Ioctl().answer = [&](win::DWORD, void* out, win::DWORD length) {
    ASSERT_EQ(length, 528u);
    auto* data = static_cast<std::uint8_t*>(out) + win::kSendCmdOutLength;
    for (int i = 0; i < 511; ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    data[511] = static_cast<std::uint8_t>(sum - std::accumulate(data, data + 511, 0u));
  };
  std::uint8_t data[512];
  EXPECT_TRUE(rb::ata::SmartReadData("\\\\.\\PhysicalDrive0", data));
  EXPECT_EQ(data[1], 7);
  EXPECT_EQ(Registers(Ioctl().Request<win::SendCmdInParams>().irDriveRegs), "D0 01 01 4F C2 A0 B0");
  EXPECT_EQ(Ioctl().Request<win::SendCmdInParams>().cBufferSize, 512u);

  sum = 1;
  EXPECT_FALSE(rb::ata::SmartReadData("\\\\.\\PhysicalDrive0", data));
  EXPECT_EQ(std::accumulate(data, data + 512, 0u), 0u) << "a bad checksum leaves nothing of the data";
}

TEST_F(AtaRequests, IdentifyTriesSmartThenThePassThroughWithTheDriveSelected) {
  // The SMART request fails for both commands; the pass-through answers IDENTIFY PACKET DEVICE.
  Ioctl().answer = [&](win::DWORD code, void* out, win::DWORD length) {
    auto* bytes = static_cast<std::uint8_t*>(out);
    if (code == win::SMART_RCV_DRIVE_DATA) {
      bytes[5] = 0x04;  // the drive aborted: IDE error byte
      return;
    }
    ASSERT_EQ(length, 524u);
    bytes[6] = 0x50;       // status: ready, no error
    bytes[12 + 54] = 'D';  // model word 27, first character
    bytes[12 + 55] = 'V';
  };
  rb::AtaIdentify identify;
  EXPECT_TRUE(rb::ata::ReadIdentify("\\\\.\\CDROM3", "CDROM3", 3, &identify));
  EXPECT_EQ(identify.Model(), "VD");
  ASSERT_EQ(Ioctl().calls.size(), 3u);
  EXPECT_EQ(Ioctl().Request<win::SendCmdInParams>(0).irDriveRegs.bCommandReg, 0xEC);
  EXPECT_EQ(Ioctl().Request<win::SendCmdInParams>(1).irDriveRegs.bCommandReg, 0xA1);
  EXPECT_EQ(Ioctl().calls[2].code, win::IOCTL_IDE_PASS_THROUGH);
  EXPECT_EQ(Ioctl().calls[2].in.size(), 524u);
  const auto passThrough = Ioctl().Request<win::AtaPassThroughHeader>(2);
  // Optical drive 3: an odd drive number selects device register B0h.
  EXPECT_EQ(passThrough.IdeReg.bDriveHeadReg, 0xB0);
  EXPECT_EQ(passThrough.IdeReg.bCommandReg, 0xA1);
  EXPECT_EQ(passThrough.DataBufferSize, 512u);

  std::uint8_t data[512];
  Ioctl().calls.clear();
  rb::ata::IdentifyByPassThrough("\\\\.\\CDROM2", 0xEC, 2, data);
  EXPECT_EQ(Ioctl().Request<win::AtaPassThroughHeader>().IdeReg.bDriveHeadReg, 0xA0);
}

TEST_F(AtaRequests, TheLogWriteCarriesItsSectorThroughTheMiniport) {
  std::uint8_t sector[512];
  for (int i = 0; i < 512; ++i) sector[i] = static_cast<std::uint8_t>(i);
  EXPECT_TRUE(rb::ata::SmartWriteLog("\\\\.\\PhysicalDrive0", 0x80, sector));
  const IoctlRecorder::Call& call = Ioctl().calls.back();
  EXPECT_EQ(call.code, win::IOCTL_SCSI_MINIPORT);
  ASSERT_EQ(call.in.size(), 28u + 32u + 512u);
  const auto control = Ioctl().Request<win::SrbIoControl>();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(control.Signature), 8), "SCSIDISK");
  EXPECT_EQ(control.ControlCode, win::IOCTL_SCSI_MINIPORT_WRITE_SMART_LOG);
  EXPECT_EQ(control.Timeout, 10u);
  EXPECT_EQ(control.Length, 32u + 512u);
  win::SendCmdInParams command;
  std::memcpy(&command, call.in.data() + 28, win::kSendCmdInLength);
  EXPECT_EQ(Registers(command.irDriveRegs), "D6 01 80 4F C2 A0 B0");
  EXPECT_EQ(std::memcmp(call.in.data() + 60, sector, 512), 0);

  // A failing miniport is traced with the system's error.
  Ioctl().ioctlError = win::ERROR_NOT_SUPPORTED;
  EXPECT_FALSE(rb::ata::SmartWriteLog("\\\\.\\PhysicalDrive0", 0x80, sector));
}

}  // namespace
