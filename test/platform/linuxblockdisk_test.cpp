#include "platform/linux/linuxblockdisk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fakestoragesysfs.h"
#include "platform/linux/linuxownport.h"
#include "platform/passthroughrequest.h"
#include "platform/recordingioctllayer.h"
#include "platform/scratchdir.h"
#include "platform/scsiinquirydata.h"

namespace {

// One command's answer: status, sense key / ASC / ASCQ, and the data moved.
struct Answer {
  win::DWORD error = win::ERROR_SUCCESS;
  int status = -1;
  int key = 0, asc = 0, ascq = 0;
  std::vector<std::uint8_t> data;
};

// Sends a CDB through the pass-through request the component builds, to a disk or a port.
template <class Target>
Answer Send(Target& target, std::vector<std::uint8_t> cdb, std::uint32_t length, std::uint8_t dataIn,
            std::vector<std::uint8_t> out = {}, std::uint8_t targetId = 0) {
  std::vector<std::uint8_t> data(length);
  std::copy(out.begin(), out.end(), data.begin());
  win::ScsiPassThroughDirectWithSense request{};
  request.header.Length = sizeof request.header;
  request.header.TargetId = targetId;
  request.header.CdbLength = static_cast<std::uint8_t>(cdb.size());
  request.header.SenseInfoLength = 32;
  request.header.DataIn = dataIn;
  request.header.DataTransferLength = length;
  request.header.TimeOutValue = 30;
  request.header.DataBuffer = length ? data.data() : nullptr;
  request.header.SenseInfoOffset = offsetof(win::ScsiPassThroughDirectWithSense, sense);
  std::memcpy(request.header.Cdb, cdb.data(), cdb.size());
  Answer answer;
  win::DWORD returned = 0;
  if constexpr (std::is_same_v<Target, os::LinuxBlockDisk>) {
    os::PassThroughRequest parsed;
    EXPECT_EQ(
        parsed.Parse(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request, sizeof request),
        win::ERROR_SUCCESS);
    answer.error = target.Execute(parsed, &returned);
  } else {
    answer.error = target.Request(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request,
                                  sizeof request, &returned);
  }
  if (answer.error != win::ERROR_SUCCESS) return answer;
  answer.status = request.header.ScsiStatus;
  if (request.header.SenseInfoLength >= 14) {
    answer.key = request.sense[2] & 0x0F;
    answer.asc = request.sense[12];
    answer.ascq = request.sense[13];
  }
  data.resize(request.header.DataTransferLength);
  answer.data = data;
  return answer;
}

std::vector<std::uint8_t> Cdb10(std::uint8_t opcode, std::uint32_t lba, std::uint16_t blocks) {
  return {opcode,
          0,
          std::uint8_t(lba >> 24),
          std::uint8_t(lba >> 16),
          std::uint8_t(lba >> 8),
          std::uint8_t(lba),
          0,
          std::uint8_t(blocks >> 8),
          std::uint8_t(blocks),
          0};
}
std::vector<std::uint8_t> Cdb16(std::uint8_t opcode, std::uint64_t lba, std::uint32_t blocks) {
  std::vector<std::uint8_t> cdb(16);
  cdb[0] = opcode;
  for (int i = 0; i < 8; ++i) cdb[2 + i] = std::uint8_t(lba >> (56 - 8 * i));
  for (int i = 0; i < 4; ++i) cdb[10 + i] = std::uint8_t(blocks >> (24 - 8 * i));
  return cdb;
}

class LinuxBlockDiskTest : public testing::Test {
 protected:
  // A unit of 64 blocks of 512 bytes on a regular file standing in for its block device.
  os::LinuxStorageUnit Unit(os::LinuxBlockKind kind, const std::string& serial) {
    os::LinuxStorageUnit unit;
    unit.kind = os::LinuxStorageUnit::kDisk;
    unit.attachment = os::LinuxAttachment::kOwnPort;
    unit.blockKind = kind;
    unit.scsiType = 0;
    unit.vendor = "Virtio";
    unit.product = "Block Device";
    unit.serial = serial;
    unit.nvmeController = "nvme0";
    unit.blocks = 64;
    unit.blockSize = 512;
    unit.solidState = true;
    return unit;
  }
  std::string Image() {
    std::string content(64 * 512, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i / 512);
    return dir_.Write("disk.img", content);
  }

  rbtest::ScratchDir dir_;
  rbtest::RecordingIoctlLayer layer_;
};

TEST_F(LinuxBlockDiskTest, InquiryCapacityAndReadinessAnswerAsADisk) {
  os::LinuxBlockDisk disk(Unit(os::LinuxBlockKind::kVirtio, "RBVBLK0001"), Image(), layer_, "/dev");
  Answer a = Send(disk, {0x12, 0, 0, 0, 96, 0}, 96, win::SCSI_IOCTL_DATA_IN);
  ASSERT_EQ(a.status, 0);
  ASSERT_EQ(a.data.size(), 36u);
  EXPECT_EQ(a.data[0], 0);  // direct access
  EXPECT_NE(a.data[2], 0);  // a SCSI version: the component treats version 0 as no disk
  EXPECT_EQ(std::string(a.data.begin() + 8, a.data.end()), "Virtio  Block Device        ");
  a = Send(disk, {0x12, 1, 0x00, 0, 255, 0}, 255, win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(a.data, (std::vector<std::uint8_t>{0, 0, 0, 3, 0x00, 0x80, 0xB1}));
  a = Send(disk, {0x12, 1, 0xB1, 0, 64, 0}, 64, win::SCSI_IOCTL_DATA_IN);
  ASSERT_EQ(a.data.size(), 64u);
  EXPECT_EQ(a.data[1], 0xB1);
  EXPECT_EQ(a.data[4] << 8 | a.data[5], 1);  // does not rotate
  a = Send(disk, {0x12, 1, 0x80, 0, 255, 0}, 255, win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(std::string(a.data.begin() + 4, a.data.end()), "RBVBLK0001");
  EXPECT_EQ(a.data[3], 10);
  a = Send(disk, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8, win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(a.data, (std::vector<std::uint8_t>{0, 0, 0, 63, 0, 0, 2, 0}));
  auto cdb = Cdb16(0x9E, 0, 32);
  cdb[1] = 0x10;
  a = Send(disk, cdb, 32, win::SCSI_IOCTL_DATA_IN);
  ASSERT_EQ(a.data.size(), 32u);
  EXPECT_EQ(a.data[7], 63);
  EXPECT_EQ(a.data[10], 2);
  EXPECT_EQ(Send(disk, {0, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED).status, 0);

  // Without a serial number there is no page 80h.
  os::LinuxBlockDisk loop(Unit(os::LinuxBlockKind::kLoop, ""), Image(), layer_, "/dev");
  a = Send(loop, {0x12, 1, 0x00, 0, 255, 0}, 255, win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(a.data, (std::vector<std::uint8_t>{0, 0, 0, 2, 0x00, 0xB1}));
  a = Send(loop, {0x12, 1, 0x80, 0, 255, 0}, 255, win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(std::tie(a.status, a.key, a.asc), std::make_tuple(2, 5, 0x24));
  // A device node that is gone: not ready. One the process may not read (a kernel setting that not even
  // the superuser reads): the request fails as on a handle without access.
  os::LinuxBlockDisk gone(Unit(os::LinuxBlockKind::kVirtio, ""), dir_.File("missing"), layer_, "/dev");
  a = Send(gone, {0, 0, 0, 0, 0, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED);
  EXPECT_EQ(std::tie(a.status, a.key, a.asc), std::make_tuple(2, 2, 0x04));
  os::LinuxBlockDisk forbidden(Unit(os::LinuxBlockKind::kVirtio, ""), "/proc/sys/vm/compact_memory", layer_,
                               "/dev");
  EXPECT_EQ(Send(forbidden, Cdb10(0x28, 0, 1), 512, win::SCSI_IOCTL_DATA_IN).error, win::ERROR_ACCESS_DENIED);
}

TEST_F(LinuxBlockDiskTest, ReadWriteAndVerifyMoveTheBlocksOfTheDevice) {
  const std::string image = Image();
  os::LinuxBlockDisk disk(Unit(os::LinuxBlockKind::kVirtio, ""), image, layer_, "/dev");
  Answer a = Send(disk, Cdb10(0x28, 5, 2), 1024, win::SCSI_IOCTL_DATA_IN);
  ASSERT_EQ(a.status, 0);
  ASSERT_EQ(a.data.size(), 1024u);
  EXPECT_EQ(a.data[0], 5);
  EXPECT_EQ(a.data[1023], 6);

  std::vector<std::uint8_t> pattern(1024, 0xA5);
  EXPECT_EQ(Send(disk, Cdb16(0x8A, 62, 2), 1024, win::SCSI_IOCTL_DATA_OUT, pattern).status, 0);
  a = Send(disk, Cdb16(0x88, 61, 3), 1536, win::SCSI_IOCTL_DATA_IN);
  ASSERT_EQ(a.data.size(), 1536u);
  EXPECT_EQ(a.data[0], 61);
  EXPECT_EQ(a.data[512], 0xA5);
  EXPECT_EQ(a.data[1535], 0xA5);
  EXPECT_EQ(Send(disk, Cdb10(0x2F, 0, 64), 0, win::SCSI_IOCTL_DATA_UNSPECIFIED).status, 0);
  EXPECT_EQ(Send(disk, Cdb16(0x8F, 60, 4), 0, win::SCSI_IOCTL_DATA_UNSPECIFIED).status, 0);

  struct Failure {
    const char* what;
    std::vector<std::uint8_t> cdb;
    std::uint32_t length;
    int key, asc;
  };
  const Failure failures[] = {
      {"read past the end", Cdb10(0x28, 63, 2), 1024, 5, 0x21},
      {"verify past the end", Cdb16(0x8F, 64, 1), 0, 5, 0x21},
      {"an address beyond 64 bits' worth of blocks", Cdb16(0x88, ~0ull, 1), 512, 5, 0x21},
      {"a buffer smaller than the blocks", Cdb10(0x28, 0, 2), 512, 5, 0x24},
      {"a byte-compare verify", {0x2F, 0x02, 0, 0, 0, 0, 0, 0, 1, 0}, 512, 5, 0x24},
      {"an unknown opcode", {0x04, 0, 0, 0, 0, 0}, 0, 5, 0x20},
      {"LOG SENSE on a disk without a health log", {0x4D, 0, 0x6F, 0, 0, 0, 0, 0, 64, 0}, 64, 5, 0x20},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.what);
    a = Send(disk, f.cdb, f.length, win::SCSI_IOCTL_DATA_IN);
    EXPECT_EQ(a.error, win::ERROR_SUCCESS);
    EXPECT_EQ(std::tie(a.status, a.key, a.asc, a.ascq), std::make_tuple(2, f.key, f.asc, 0));
  }
}

TEST_F(LinuxBlockDiskTest, AWriteTheDeviceRefusesIsDataProtect) {
  // A file that opens for reading only, even for the superuser (a kernel attribute without a writer).
  std::string file = dir_.Write("readonly.img", std::string(64 * 512, 'x'));
  ::chmod(file.c_str(), 0444);
  if (::geteuid() == 0) file = "/sys/kernel/uevent_seqnum";
  os::LinuxStorageUnit unit = Unit(os::LinuxBlockKind::kLoop, "");
  unit.blocks = 1;
  os::LinuxBlockDisk disk(unit, file, layer_, "/dev");
  const Answer a =
      Send(disk, Cdb10(0x2A, 0, 1), 512, win::SCSI_IOCTL_DATA_OUT, std::vector<std::uint8_t>(512, 1));
  EXPECT_EQ(std::tie(a.status, a.key, a.asc, a.ascq), std::make_tuple(2, 7, 0x27, 0));
}

TEST_F(LinuxBlockDiskTest, NvmeHealthAndTemperatureComeFromTheControllersSmartLog) {
  os::LinuxBlockDisk disk(Unit(os::LinuxBlockKind::kNvme, "RBNVME0001"), Image(), layer_, "/dev");
  std::uint8_t warning = 0;
  layer_.nvmeAnswer = [&warning](nvme_admin_cmd& command) {
    auto* log = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(command.addr));
    log[0] = warning;
    log[1] = 0x40;  // 320 K: 47 degrees Celsius
    log[2] = 0x01;
  };
  const std::vector<std::uint8_t> logSense = {0x4D, 0, 0x2F, 0, 0, 0, 0, 0, 64, 0};
  Answer a = Send(disk, logSense, 64, win::SCSI_IOCTL_DATA_IN);
  ASSERT_EQ(a.status, 0);
  EXPECT_EQ(a.data, (std::vector<std::uint8_t>{0x2F, 0, 0, 8, 0, 0, 3, 4, 0, 0, 47, 0}));
  ASSERT_EQ(layer_.nvmeCalls.size(), 1u);
  EXPECT_EQ(layer_.opened.back(), "/dev/nvme0");
  EXPECT_EQ(layer_.closed.back(), 42);
  EXPECT_EQ(layer_.requests.back(), static_cast<unsigned long>(NVME_IOCTL_ADMIN_CMD));
  const nvme_admin_cmd& command = layer_.nvmeCalls[0];
  EXPECT_EQ(command.opcode, 0x02);  // GET LOG PAGE
  EXPECT_EQ(command.nsid, 0xFFFFFFFFu);
  EXPECT_EQ(command.data_len, 512u);
  EXPECT_EQ(command.cdw10, 0x007F0002u);  // 128 dwords less one, log 02h (SMART / health)
  EXPECT_EQ(command.cdw11, 0u);
  EXPECT_EQ(command.cdw12, 0u);
  EXPECT_EQ(command.metadata_len, 0u);

  warning = 0x04;  // reliability degraded
  a = Send(disk, logSense, 64, win::SCSI_IOCTL_DATA_IN);
  ASSERT_EQ(a.data.size(), 12u);
  EXPECT_EQ(a.data[8], 0x5D);
  // The supported pages, and a failing controller.
  a = Send(disk, {0x4D, 0, 0x00, 0, 0, 0, 0, 0, 64, 0}, 64, win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(a.data, (std::vector<std::uint8_t>{0, 0, 0, 3, 0x00, 0x0D, 0x2F}));
  // The temperature page: the current temperature, and no reference temperature.
  a = Send(disk, {0x4D, 0, 0x4D, 0, 0, 0, 0, 0, 64, 0}, 64, win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(a.data, (std::vector<std::uint8_t>{0x0D, 0, 0, 12, 0, 0, 3, 2, 0, 47, 0, 1, 3, 2, 0, 0xFF}));
  layer_.ioctlResult = 0x4002;  // the controller's status: invalid field
  a = Send(disk, logSense, 64, win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(std::tie(a.status, a.key, a.asc), std::make_tuple(2, 4, 0x44));
  layer_.ioctlResult = 0;
  layer_.openErrno = EACCES;
  a = Send(disk, logSense, 64, win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(std::tie(a.status, a.key, a.asc), std::make_tuple(2, 4, 0x44));
}

TEST_F(LinuxBlockDiskTest, TheOwnPortListsItsDisksAndSendsEachTargetToItsDisk) {
  rbtest::FakeStorageSysfs sysfs(dir_.File("sys"));
  const os::LinuxStorageMap map = os::LinuxStorageMap::Scan(sysfs.Root());
  // The virtio disk (target 1) on a stand-in node.
  std::filesystem::create_directories(dir_.File("dev"));
  dir_.Write("dev/vda", std::string(131072 * 512 / 64, '\0'));
  os::LinuxOwnPort port(map, layer_, dir_.File("dev"));
  std::vector<std::uint8_t> answer(2048);
  win::DWORD returned = 0;
  ASSERT_EQ(port.Request(win::IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, answer.data(), 2048, &returned),
            win::ERROR_SUCCESS);
  const auto units = os::ReadScsiInquiryData(answer.data(), returned);
  ASSERT_EQ(units.size(), 3u);
  const char* models[] = {"NVMe    QEMU NVMe Ctrl  8.0.", "Virtio  Block Device        ",
                          "Linux   Loop Device         "};
  for (std::size_t i = 0; i < units.size(); ++i) {
    EXPECT_EQ(units[i].target, i);
    EXPECT_EQ(units[i].lun, 0);
    EXPECT_TRUE(units[i].claimed);
    EXPECT_EQ(std::string(units[i].inquiry.begin() + 8, units[i].inquiry.end()), models[i]);
  }
  EXPECT_EQ(port.Request(win::IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, answer.data(), 40, &returned),
            win::ERROR_INSUFFICIENT_BUFFER);

  const Answer read = Send(port, Cdb10(0x28, 0, 1), 512, win::SCSI_IOCTL_DATA_IN, {}, 1);
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.data.size(), 512u);
  EXPECT_EQ(Send(port, {0x12, 0, 0, 0, 36, 0}, 36, win::SCSI_IOCTL_DATA_IN, {}, 5).error,
            win::ERROR_SEM_TIMEOUT);
  std::uint8_t csmi[64] = {};
  EXPECT_EQ(port.Request(win::IOCTL_SCSI_MINIPORT, csmi, sizeof csmi, csmi, sizeof csmi, nullptr),
            win::ERROR_NOT_SUPPORTED);
}

}  // namespace
