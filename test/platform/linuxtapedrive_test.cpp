// \\.\Tape0 on Linux against a recording fake of the kernel: the st driver's ioctls each tape function
// becomes, the errno values and status bits that become tape errors, and the drive information read
// with READ BLOCK LIMITS and MODE SENSE through SG_IO on the tape's generic node.

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/mtio.h>
#include <scsi/sg.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/fakestoragesysfs.h"
#include "platform/linux/linuxplatform.h"
#include "platform/recordingioctllayer.h"
#include "platform/scratchdir.h"
#include "platform/wintape.h"

namespace {

// The kernel of a tape drive: records each MTIOCTOP, answers MTIOCGET with `statusBits`, and fails the
// next opens, reads and writes with the errno values queued for them (0 lets one through).
class TapeLayer : public rbtest::RecordingIoctlLayer {
 public:
  int Open(const std::string& path, int flags) override {
    if (!openErrors.empty()) {
      openErrno = openErrors.front();
      openErrors.pop_front();
    }
    return RecordingIoctlLayer::Open(path, flags);
  }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    if (request == MTIOCTOP) operations.push_back(*static_cast<struct mtop*>(argument));
    if (request == MTIOCGET) static_cast<struct mtget*>(argument)->mt_gstat = statusBits;
    return RecordingIoctlLayer::Ioctl(fd, request, argument);
  }
  long Read(int, void* buffer, unsigned long count) override { return Transfer(buffer, count, readErrors); }
  long Write(int, const void*, unsigned long count) override { return Transfer(nullptr, count, writeErrors); }

  std::deque<int> openErrors, readErrors, writeErrors;
  std::vector<struct mtop> operations;
  long statusBits = GMT_ONLINE(0xFFFFFFFF);
  long readResult = -1;  // bytes a successful read answers; -1 for all asked

 private:
  long Transfer(void* buffer, unsigned long count, std::deque<int>& errors) {
    const int error = errors.empty() ? 0 : errors.front();
    if (!errors.empty()) errors.pop_front();
    if (error != 0) {
      errno = error;
      return -1;
    }
    if (buffer != nullptr) std::memset(buffer, 0xA5, count);
    return readResult >= 0 && buffer != nullptr ? readResult : static_cast<long>(count);
  }
};

class LinuxTapeDrive : public testing::Test {
 protected:
  LinuxTapeDrive() : platform_({sysfs_.Root(), "/dev", dir_.File("mounts")}, layer_) {}
  ~LinuxTapeDrive() override { Close(); }

  win::HANDLE Tape() {
    if (tape_ == win::INVALID_HANDLE_VALUE)
      tape_ = platform_.CreateFile("\\\\.\\Tape0", win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
    return tape_;
  }
  void Close() {
    if (tape_ != win::INVALID_HANDLE_VALUE) platform_.CloseHandle(tape_);
    tape_ = win::INVALID_HANDLE_VALUE;
  }
  win::DWORD WriteError() {
    std::uint8_t block[512] = {};
    win::DWORD written = 0;
    return platform_.WriteFile(Tape(), block, sizeof block, &written) ? win::ERROR_SUCCESS : platform_.GetLastError();
  }
  win::DWORD ReadError() {
    std::uint8_t block[512] = {};
    win::DWORD read = 0;
    return platform_.ReadFile(Tape(), block, sizeof block, &read) ? win::ERROR_SUCCESS : platform_.GetLastError();
  }

  rbtest::ScratchDir dir_;
  rbtest::FakeStorageSysfs sysfs_{dir_.File("sys")};
  TapeLayer layer_;
  os::LinuxPlatform platform_;
  win::HANDLE tape_ = win::INVALID_HANDLE_VALUE;
};

TEST_F(LinuxTapeDrive, TapeFunctionsAreTheDriversOperationsOnTheNonRewindingNode) {
  ASSERT_NE(Tape(), win::INVALID_HANDLE_VALUE);
  EXPECT_TRUE(layer_.opened.empty()) << "the node is opened on first use, not by CreateFile";
  EXPECT_EQ(platform_.SetTapePosition(Tape(), win::TAPE_REWIND, 0, 0, 0, true), win::ERROR_SUCCESS);
  ASSERT_EQ(layer_.opened, std::vector<std::string>{"/dev/nst0"});
  EXPECT_EQ(layer_.openFlags & (O_ACCMODE | O_NONBLOCK), O_RDWR | O_NONBLOCK);
  struct Case {
    win::DWORD result;
    short operation;
    int count;
  };
  const std::vector<Case> expected = {
      {platform_.WriteTapemark(Tape(), win::TAPE_FILEMARKS, 2, false), MTWEOF, 2},
      {platform_.WriteTapemark(Tape(), win::TAPE_FILEMARKS, 1, true), MTWEOFI, 1},
      {platform_.WriteTapemark(Tape(), win::TAPE_SETMARKS, 1, false), MTWSM, 1},
      // A negative count spaces backwards.
      {platform_.SetTapePosition(Tape(), win::TAPE_SPACE_FILEMARKS, 0, static_cast<win::DWORD>(-3), 0xFFFFFFFF, false),
       MTBSF, 3},
      {platform_.SetTapePosition(Tape(), win::TAPE_SPACE_RELATIVE_BLOCKS, 0, 4, 0, false), MTFSR, 4},
      {platform_.SetTapePosition(Tape(), win::TAPE_SPACE_END_OF_DATA, 0, 0, 0, false), MTEOM, 1},
      {platform_.SetTapePosition(Tape(), win::TAPE_LOGICAL_BLOCK, 0, 77, 0, false), MTSEEK, 77},
  };
  win::DWORD returned = 0;
  ASSERT_TRUE(platform_.DeviceIoControl(Tape(), win::IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, &returned));
  ASSERT_EQ(layer_.operations.size(), expected.size() + 2);
  EXPECT_EQ(layer_.operations[0].mt_op, MTREW);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].result, win::ERROR_SUCCESS) << i;
    EXPECT_EQ(layer_.operations[i + 1].mt_op, expected[i].operation) << i;
    EXPECT_EQ(layer_.operations[i + 1].mt_count, expected[i].count) << i;
  }
  EXPECT_EQ(layer_.operations.back().mt_op, MTOFFL) << "the driver unloads the tape, so it knows the drive is empty";
  EXPECT_EQ(layer_.opened.size(), 1u) << "one open for the handle's life";
  Close();
  EXPECT_EQ(layer_.closed.size(), 1u);
}

TEST_F(LinuxTapeDrive, StatusBitsAndErrnoValuesBecomeTapeErrors) {
  struct StatusCase {
    long bits;
    win::DWORD status;
  };
  for (const StatusCase c : {StatusCase{GMT_ONLINE(0xFFFFFFFF), win::ERROR_SUCCESS},
                             StatusCase{GMT_DR_OPEN(0xFFFFFFFF), win::ERROR_NO_MEDIA_IN_DRIVE},
                             StatusCase{0, win::ERROR_NOT_READY},
                             StatusCase{GMT_ONLINE(0xFFFFFFFF) | GMT_CLN(0xFFFFFFFF), win::ERROR_DEVICE_REQUIRES_CLEANING}}) {
    layer_.statusBits = c.bits;
    EXPECT_EQ(platform_.GetTapeStatus(Tape()), c.status) << std::hex << c.bits;
    EXPECT_EQ(platform_.GetLastError(), c.status);
  }

  struct TransferCase {
    int error;
    long bits;
    bool write;
    win::DWORD expected;
  };
  const long online = GMT_ONLINE(0xFFFFFFFF);
  for (const TransferCase c : {
           TransferCase{ENOMEDIUM, 0, true, win::ERROR_NO_MEDIA_IN_DRIVE},
           TransferCase{ENOSPC, online, true, win::ERROR_END_OF_MEDIA},
           TransferCase{EIO, online | GMT_WR_PROT(0xFFFFFFFF), true, win::ERROR_WRITE_PROTECT},
           TransferCase{EIO, online | GMT_EOD(0xFFFFFFFF), false, win::ERROR_NO_DATA_DETECTED},
           TransferCase{EIO, online | GMT_EOT(0xFFFFFFFF), false, win::ERROR_END_OF_MEDIA},
           TransferCase{EIO, GMT_DR_OPEN(0xFFFFFFFF), false, win::ERROR_NO_MEDIA_IN_DRIVE},
           TransferCase{ENOMEM, online, false, win::ERROR_MORE_DATA},
       }) {
    layer_.statusBits = c.bits;
    (c.write ? layer_.writeErrors : layer_.readErrors).push_back(c.error);
    EXPECT_EQ(c.write ? WriteError() : ReadError(), c.expected) << "errno " << c.error;
  }

  // A read that moves nothing met a filemark, or the end of the data.
  layer_.readResult = 0;
  layer_.statusBits = online | GMT_EOF(0xFFFFFFFF);
  EXPECT_EQ(ReadError(), win::ERROR_FILEMARK_DETECTED);
  layer_.statusBits = online | GMT_EOD(0xFFFFFFFF);
  EXPECT_EQ(ReadError(), win::ERROR_NO_DATA_DETECTED);
  layer_.ioctlErrno = EIO;
  layer_.statusBits = 0;
  EXPECT_EQ(platform_.SetTapePosition(Tape(), win::TAPE_REWIND, 0, 0, 0, false), win::ERROR_IO_DEVICE)
      << "without status bits an I/O error stays one";
}

TEST_F(LinuxTapeDrive, AWriteProtectedMediumOpensForReadingAndRefusesWrites) {
  layer_.openErrors = {EROFS, 0};
  EXPECT_EQ(WriteError(), win::ERROR_WRITE_PROTECT);
  ASSERT_EQ(layer_.opened.size(), 2u);
  EXPECT_EQ(layer_.openFlags & O_ACCMODE, O_RDONLY);
  EXPECT_EQ(ReadError(), win::ERROR_SUCCESS) << "the medium is still read";
  Close();
  layer_.openErrors = {ENOMEDIUM};
  EXPECT_EQ(platform_.GetTapeStatus(Tape()), win::ERROR_NO_MEDIA_IN_DRIVE);
}

TEST_F(LinuxTapeDrive, DriveInformationComesFromReadBlockLimitsAndModeSense) {
  layer_.answer = [](sg_io_hdr_t& header) {
    auto* data = static_cast<std::uint8_t*>(header.dxferp);
    header.status = 0;
    if (header.cmdp[0] == 0x05) {
      const std::uint8_t limits[6] = {0x00, 0x04, 0x00, 0x00, 0x00, 0x04};  // 256 KiB, 4 bytes
      std::memcpy(data, limits, sizeof limits);
    } else {
      // Header (write-protected), a block descriptor of 64 KiB blocks, the compression page: capable,
      // enabled.
      const std::uint8_t mode[28] = {27, 0, 0x80, 8, 0x58, 0, 0, 0, 0, 0x01, 0x00, 0x00, 0x0F, 0x0E, 0xC0, 0x80};
      std::memcpy(data, mode, sizeof mode);
    }
  };
  win::TapeGetDriveParameters drive{};
  win::DWORD size = sizeof drive;
  ASSERT_EQ(platform_.GetTapeParameters(Tape(), win::GET_TAPE_DRIVE_INFORMATION, &size, &drive), win::ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof drive);
  ASSERT_EQ(layer_.sgCalls.size(), 2u);
  EXPECT_EQ(layer_.sgCalls[0].cdb, (std::vector<std::uint8_t>{0x05, 0, 0, 0, 0, 0}));
  EXPECT_EQ(layer_.sgCalls[1].cdb, (std::vector<std::uint8_t>{0x1A, 0, 0x0F, 0, 64, 0}));
  EXPECT_EQ(layer_.sgCalls[1].header.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(layer_.opened.back(), "/dev/sg4") << "the tape's generic node";
  EXPECT_EQ(drive.MaximumBlockSize, 0x40000u);
  EXPECT_EQ(drive.MinimumBlockSize, 4u);
  EXPECT_EQ(drive.DefaultBlockSize, 0x10000u);
  EXPECT_EQ(drive.Compression, 1);
  EXPECT_TRUE(win::HasTapeFeature(drive, win::TAPE_DRIVE_COMPRESSION));
  EXPECT_TRUE(win::HasTapeFeature(drive, win::TAPE_DRIVE_SET_COMPRESSION));
  EXPECT_TRUE(win::HasTapeFeature(drive, win::TAPE_DRIVE_WRITE_FILEMARKS));
  EXPECT_FALSE(win::HasTapeFeature(drive, win::TAPE_DRIVE_WRITE_SETMARKS));

  // A drive that refuses READ BLOCK LIMITS (ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE) does not
  // support the request; MODE SENSE is not sent.
  layer_.sgCalls.clear();
  layer_.answer = [](sg_io_hdr_t& header) {
    const std::uint8_t sense[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
    std::memcpy(header.sbp, sense, sizeof sense);
    header.sb_len_wr = sizeof sense;
    header.status = 0x02;
    header.masked_status = 0x01;
  };
  EXPECT_EQ(platform_.GetTapeParameters(Tape(), win::GET_TAPE_DRIVE_INFORMATION, &size, &drive),
            win::ERROR_NOT_SUPPORTED);
  EXPECT_EQ(layer_.sgCalls.size(), 1u);
  EXPECT_EQ(platform_.GetTapeParameters(Tape(), win::GET_TAPE_MEDIA_INFORMATION, &size, &drive),
            win::ERROR_NOT_SUPPORTED);
}

TEST_F(LinuxTapeDrive, TapeFunctionsOnAnythingButATapeAreRefused) {
  const win::HANDLE disk =
      platform_.CreateFile("\\\\.\\PhysicalDrive0", win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
  ASSERT_NE(disk, win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform_.GetTapeStatus(disk), win::ERROR_INVALID_FUNCTION);
  platform_.CloseHandle(disk);
  EXPECT_EQ(platform_.SetTapePosition(reinterpret_cast<win::HANDLE>(0x7777), win::TAPE_REWIND, 0, 0, 0, false),
            win::ERROR_INVALID_HANDLE);
}

}  // namespace
