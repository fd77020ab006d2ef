// The ATA requests of a Linux disk path as SG_IO carries them (a recording fake of the kernel): the
// ATA PASS-THROUGH(16) CDB of each request and the registers read back from the sense's ATA status
// return descriptor.

#include <gtest/gtest.h>
#include <scsi/sg.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/fakestoragesysfs.h"
#include "platform/linux/linuxplatform.h"
#include "platform/recordingioctllayer.h"
#include "platform/scratchdir.h"
#include "platform/winstorage.h"

namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes) {
    char two[4];
    std::snprintf(two, sizeof two, "%02X ", byte);
    text += two;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

class LinuxSat : public testing::Test {
 protected:
  LinuxSat() : platform_({sysfs_.Root(), "/dev", dir_.File("mounts")}, layer_) {
    // PhysicalDrive2 is the AHCI disk of the made-up tree.
    disk_ = platform_.CreateFile("\\\\.\\PhysicalDrive2", win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                 win::OPEN_EXISTING, 0);
  }
  ~LinuxSat() override { platform_.CloseHandle(disk_); }

  // A SENDCMDINPARAMS request with its registers.
  static win::SendCmdInParams Command(std::uint8_t feature, std::uint8_t count, std::uint8_t lbaLow,
                                      std::uint8_t command, win::DWORD size) {
    win::SendCmdInParams in{};
    in.cBufferSize = size;
    in.irDriveRegs = {feature, count, lbaLow, 0x4F, 0xC2, 0xA0, command, 0};
    return in;
  }
  // Descriptor-format sense with an ATA status return descriptor.
  static void ReturnRegisters(sg_io_hdr_t& header, std::uint8_t error, std::uint8_t mid, std::uint8_t high,
                              std::uint8_t status) {
    const std::uint8_t sense[22] = {0x72,  0x01, 0x00, 0x1D, 0, 0, 0,   14, 0x09, 0x0C, 0,
                                    error, 0,    0,    0,    0, 0, mid, 0,  high, 0xA0, status};
    std::memcpy(header.sbp, sense, sizeof sense);
    header.sb_len_wr = sizeof sense;
    header.status = 0x02;
    header.masked_status = 0x01;
  }

  rbtest::ScratchDir dir_;
  rbtest::FakeStorageSysfs sysfs_{dir_.File("sys")};
  rbtest::RecordingIoctlLayer layer_;
  os::LinuxPlatform platform_;
  win::HANDLE disk_ = win::INVALID_HANDLE_VALUE;
};

TEST_F(LinuxSat, ReturnStatusIsANonDataCommandWhoseRegistersComeBack) {
  ASSERT_NE(disk_, win::INVALID_HANDLE_VALUE);
  struct Case {
    std::uint8_t mid, high;
    const char* what;
  };
  for (const Case c : {Case{0x4F, 0xC2, "healthy"}, Case{0xF4, 0x2C, "threshold exceeded"}}) {
    layer_.answer = [&](sg_io_hdr_t& header) { ReturnRegisters(header, 0, c.mid, c.high, 0x50); };
    const win::SendCmdInParams in = Command(0xDA, 0, 0, 0xB0, 0);
    std::uint8_t out[win::kSendCmdOutLength + sizeof(win::IdeRegs)] = {};
    win::DWORD returned = 0;
    ASSERT_TRUE(platform_.DeviceIoControl(disk_, win::SMART_SEND_DRIVE_COMMAND, &in, win::kSendCmdInLength,
                                          out, sizeof out, &returned))
        << c.what;
    EXPECT_EQ(returned, sizeof out);
    win::IdeRegs regs;
    std::memcpy(&regs, out + win::kSendCmdOutLength, sizeof regs);
    EXPECT_EQ(regs.bCylLowReg, c.mid) << c.what;
    EXPECT_EQ(regs.bCylHighReg, c.high) << c.what;
  }
  // Non-data, CK_COND set, the registers of the request; to the disk's generic node.
  EXPECT_EQ(Hex(layer_.sgCalls.back().cdb), "85 06 20 00 DA 00 00 00 00 00 4F 00 C2 A0 B0 00");
  EXPECT_EQ(layer_.sgCalls.back().header.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(layer_.opened.back(), "/dev/sg3");
}

TEST_F(LinuxSat, IdentifyReadsASectorAndAnAbortIsADeviceError) {
  ASSERT_NE(disk_, win::INVALID_HANDLE_VALUE);
  layer_.answer = [](sg_io_hdr_t& header) {
    auto* data = static_cast<std::uint8_t*>(header.dxferp);
    data[54] = 'A';  // model word 27
    data[55] = 'R';
    header.status = 0;
  };
  win::SendCmdInParams in = Command(0, 0, 0, 0xEC, 512);
  in.irDriveRegs = {0, 0, 0, 0, 0, 0xA0, 0xEC, 0};
  std::vector<std::uint8_t> out(win::kSendCmdOutLength + 512);
  win::DWORD returned = 0;
  ASSERT_TRUE(platform_.DeviceIoControl(disk_, win::SMART_RCV_DRIVE_DATA, &in, win::kSendCmdInLength,
                                        out.data(), static_cast<win::DWORD>(out.size()), &returned));
  EXPECT_EQ(returned, out.size());
  EXPECT_EQ(out[win::kSendCmdOutLength + 54], 'A');
  // PIO data-in of one sector, counted in blocks, towards the host.
  EXPECT_EQ(Hex(layer_.sgCalls.back().cdb), "85 08 0E 00 00 00 01 00 00 00 00 00 00 A0 EC 00");
  EXPECT_EQ(layer_.sgCalls.back().header.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(layer_.sgCalls.back().header.dxfer_len, 512u);

  // The drive aborts IDENTIFY DEVICE (a packet device): ERR in the returned status.
  layer_.answer = [](sg_io_hdr_t& header) { ReturnRegisters(header, 0x04, 0, 0, 0x51); };
  EXPECT_FALSE(platform_.DeviceIoControl(disk_, win::SMART_RCV_DRIVE_DATA, &in, win::kSendCmdInLength,
                                         out.data(), static_cast<win::DWORD>(out.size()), &returned));
  EXPECT_EQ(platform_.GetLastError(), win::ERROR_IO_DEVICE);

  // A device that refuses the opcode takes no ATA commands at all.
  layer_.answer = [](sg_io_hdr_t& header) {
    const std::uint8_t sense[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
    std::memcpy(header.sbp, sense, sizeof sense);
    header.sb_len_wr = sizeof sense;
    header.status = 0x02;
  };
  EXPECT_FALSE(platform_.DeviceIoControl(disk_, win::SMART_RCV_DRIVE_DATA, &in, win::kSendCmdInLength,
                                         out.data(), static_cast<win::DWORD>(out.size()), &returned));
  EXPECT_EQ(platform_.GetLastError(), win::ERROR_INVALID_FUNCTION);
}

TEST_F(LinuxSat, TheLogWriteIsPioDataOut) {
  ASSERT_NE(disk_, win::INVALID_HANDLE_VALUE);
  std::uint8_t firstByte = 0;
  layer_.answer = [&](sg_io_hdr_t& header) {
    firstByte = static_cast<const std::uint8_t*>(header.dxferp)[0];
    header.status = 0;
  };
  std::vector<std::uint8_t> in(sizeof(win::SrbIoControl) + win::kSendCmdInLength + 512, 0x5A);
  win::SrbIoControl control{};
  control.HeaderLength = sizeof control;
  std::memcpy(control.Signature, "SCSIDISK", 8);
  control.ControlCode = win::IOCTL_SCSI_MINIPORT_WRITE_SMART_LOG;
  std::memcpy(in.data(), &control, sizeof control);
  const win::SendCmdInParams command = Command(0xD6, 1, 0x80, 0xB0, 512);
  std::memcpy(in.data() + sizeof control, &command, win::kSendCmdInLength);
  std::vector<std::uint8_t> out(sizeof(win::SrbIoControl) + win::kSendCmdOutLength);
  win::DWORD returned = 0;
  ASSERT_TRUE(platform_.DeviceIoControl(disk_, win::IOCTL_SCSI_MINIPORT, in.data(),
                                        static_cast<win::DWORD>(in.size()), out.data(),
                                        static_cast<win::DWORD>(out.size()), &returned));
  EXPECT_EQ(Hex(layer_.sgCalls.back().cdb), "85 0A 06 00 D6 00 01 00 80 00 4F 00 C2 A0 B0 00");
  EXPECT_EQ(layer_.sgCalls.back().header.dxfer_direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(firstByte, 0x5A);
}

}  // namespace
