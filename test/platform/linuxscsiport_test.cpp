#include "platform/linux/linuxscsiport.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/cdrom.h>
#include <scsi/sg.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "devices/scsi/scsidevice.h"
#include "devices/scsi/scsidriver.h"
#include "devices/scsitestbench.h"
#include "platform/fakestoragesysfs.h"
#include "platform/forwardingplatform.h"
#include "platform/recordingioctllayer.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/scsiinquirydata.h"

namespace {

using RecordingLayer = rbtest::RecordingIoctlLayer;

// A sysfs tree with two SCSI hosts and generic nodes whose names do not follow their addresses.
class LinuxScsiPortTest : public testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    const std::string sys = dir_.Path() + "/sys";
    fs::create_directories(sys + "/class/scsi_host/host0");
    fs::create_directories(sys + "/class/scsi_host/host1");
    Node("sg0", "1:0:0:0");
    Node("sg1", "0:0:3:0");
    Node("sg2", "0:0:3:1");
  }
  void Node(const std::string& name, const std::string& address) {
    namespace fs = std::filesystem;
    // As the kernel lays it out: the device under its host, linked from the bus's device list.
    const std::string device = dir_.Path() + "/sys/devices/pci0000:00/host/target/" + address;
    fs::create_directories(device + "/scsi_generic/" + name);
    fs::create_directories(dir_.Path() + "/sys/bus/scsi/devices");
    fs::create_directory_symlink(device, dir_.Path() + "/sys/bus/scsi/devices/" + address);
  }
  std::shared_ptr<os::LinuxScsiPort> Port(unsigned host) {
    win::DWORD error = win::ERROR_SUCCESS;
    auto port = os::LinuxScsiPort::Open(host, error, layer_, dir_.Path() + "/sys", "/dev");
    EXPECT_EQ(error, port ? win::ERROR_SUCCESS : win::ERROR_FILE_NOT_FOUND);
    return port;
  }
  // A direct request to 0:3:lun with the component's wrapper.
  win::ScsiPassThroughDirectWithSense Request(std::uint8_t dataIn, std::uint32_t length, void* data,
                                              std::uint8_t lun = 0) {
    win::ScsiPassThroughDirectWithSense request{};
    request.header.Length = sizeof request.header;
    request.header.TargetId = 3;
    request.header.Lun = lun;
    request.header.CdbLength = 10;
    request.header.SenseInfoLength = 24;
    request.header.DataIn = dataIn;
    request.header.DataTransferLength = length;
    request.header.TimeOutValue = 30;
    request.header.DataBuffer = data;
    request.header.SenseInfoOffset = 60;
    const std::uint8_t cdb[10] = {0x28, 0, 0, 0, 0x10, 0, 0, 0, 1, 0};
    std::memcpy(request.header.Cdb, cdb, sizeof cdb);
    return request;
  }

  rbtest::ScratchDir dir_;
  RecordingLayer layer_;
};

TEST_F(LinuxScsiPortTest, EachDirectionBecomesTheExactSgIoHeader) {
  auto port = Port(0);
  ASSERT_NE(port, nullptr);
  std::uint8_t data[512];
  struct Case {
    std::uint8_t dataIn;
    std::uint32_t length;
    int direction;
  };
  const Case cases[] = {{win::SCSI_IOCTL_DATA_IN, 512, SG_DXFER_FROM_DEV},
                        {win::SCSI_IOCTL_DATA_OUT, 512, SG_DXFER_TO_DEV},
                        {win::SCSI_IOCTL_DATA_UNSPECIFIED, 512, SG_DXFER_TO_DEV},
                        {win::SCSI_IOCTL_DATA_IN, 0, SG_DXFER_NONE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.direction);
    layer_.sgCalls.clear();
    auto request = Request(c.dataIn, c.length, c.length ? data : nullptr);
    win::DWORD returned = 0;
    ASSERT_EQ(port->Request(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request,
                            sizeof request, &returned),
              win::ERROR_SUCCESS);
    EXPECT_EQ(layer_.opened.back(), "/dev/sg1");
    EXPECT_EQ(layer_.openFlags & O_ACCMODE, O_RDWR);
    EXPECT_EQ(layer_.closed.back(), 42);
    ASSERT_EQ(layer_.sgCalls.size(), 1u);
    const sg_io_hdr_t& header = layer_.sgCalls[0].header;
    EXPECT_EQ(header.interface_id, 'S');
    EXPECT_EQ(header.dxfer_direction, c.direction);
    EXPECT_EQ(header.cmd_len, 10);
    EXPECT_EQ(layer_.sgCalls[0].cdb, (std::vector<std::uint8_t>{0x28, 0, 0, 0, 0x10, 0, 0, 0, 1, 0}));
    EXPECT_EQ(header.mx_sb_len, 24);
    EXPECT_EQ(header.dxfer_len, c.length);
    EXPECT_EQ(header.dxferp, c.length ? data : nullptr);
    EXPECT_EQ(header.timeout, 30000u);
    EXPECT_EQ(header.iovec_count, 0);
    EXPECT_EQ(returned, sizeof request);
  }
}

TEST_F(LinuxScsiPortTest, StatusSenseAndResidualComeBackIntoTheRequest) {
  auto port = Port(0);
  layer_.answer = [](sg_io_hdr_t& header) {
    header.status = 0x02;
    header.driver_status = 0x08;  // sense valid
    header.resid = 100;
    auto* sense = static_cast<std::uint8_t*>(header.sbp);
    for (int i = 0; i < header.mx_sb_len; ++i) sense[i] = static_cast<std::uint8_t>(0xE0 + i);
    header.sb_len_wr = 200;  // more than it was given: only the room counts
  };
  std::uint8_t data[512];
  auto request = Request(win::SCSI_IOCTL_DATA_IN, sizeof data, data);
  std::memset(request.sense + 24, 0x33, sizeof request.sense - 24);
  ASSERT_EQ(port->Request(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request,
                          sizeof request, nullptr),
            win::ERROR_SUCCESS);
  EXPECT_EQ(request.header.ScsiStatus, 2);
  EXPECT_EQ(request.header.SenseInfoLength, 24);
  EXPECT_EQ(request.header.DataTransferLength, 412u);
  EXPECT_EQ(request.sense[0], 0xE0);
  EXPECT_EQ(request.sense[23], 0xE0 + 23);
  EXPECT_EQ(request.sense[24], 0x33);

  // The buffered form: data inside the request.
  win::OpticalPassThrough buffered{};
  buffered.header.Length = sizeof buffered.header;
  buffered.header.TargetId = 3;
  buffered.header.CdbLength = 10;
  buffered.header.SenseInfoLength = 32;
  buffered.header.DataIn = 1;
  buffered.header.DataTransferLength = 2048;
  buffered.header.DataBufferOffset = offsetof(win::OpticalPassThrough, data);
  buffered.header.SenseInfoOffset = offsetof(win::OpticalPassThrough, sense);
  ASSERT_EQ(port->Request(win::IOCTL_SCSI_PASS_THROUGH, &buffered, sizeof buffered, &buffered,
                          sizeof buffered, nullptr),
            win::ERROR_SUCCESS);
  EXPECT_EQ(layer_.sgCalls.back().header.dxferp, buffered.data);
  EXPECT_EQ(layer_.sgCalls.back().header.mx_sb_len, 32);
  EXPECT_EQ(buffered.header.DataTransferLength, 1948u);
  // A data area outside the request is refused before the kernel sees it.
  buffered.header.DataBufferOffset = sizeof buffered - 100;
  const std::size_t calls = layer_.sgCalls.size();
  EXPECT_EQ(port->Request(win::IOCTL_SCSI_PASS_THROUGH, &buffered, sizeof buffered, &buffered,
                          sizeof buffered, nullptr),
            win::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(layer_.sgCalls.size(), calls);
}

TEST_F(LinuxScsiPortTest, TransportFailuresReadAsWindowsErrors) {
  auto port = Port(0);
  struct Case {
    unsigned short host, driver;
    int error;
    win::DWORD expected;
  };
  const Case cases[] = {
      {0x01, 0, 0, win::ERROR_SEM_TIMEOUT},  // no connect
      {0x02, 0, 0, win::ERROR_BUSY},         // bus busy
      {0x03, 0, 0, win::ERROR_SEM_TIMEOUT},  // time out
      {0x04, 0, 0, win::ERROR_SEM_TIMEOUT},  // bad target
      {0x07, 0, 0, win::ERROR_IO_DEVICE},    // host error
      {0, 0x06, 0, win::ERROR_SEM_TIMEOUT},  // driver timeout
      {0, 0x04, 0, win::ERROR_IO_DEVICE},    // driver error
      {0, 0x08, 0, win::ERROR_SUCCESS},      // sense only
      {0, 0, EINVAL, win::ERROR_INVALID_PARAMETER},
      {0, 0, ENOMEM, win::ERROR_NOT_ENOUGH_MEMORY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    layer_.answer = [&c](sg_io_hdr_t& header) {
      header.host_status = c.host;
      header.driver_status = c.driver;
    };
    layer_.ioctlErrno = c.error;
    std::uint8_t data[512];
    auto request = Request(win::SCSI_IOCTL_DATA_IN, sizeof data, data);
    EXPECT_EQ(port->Request(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request,
                            sizeof request, nullptr),
              c.expected);
  }
}

TEST_F(LinuxScsiPortTest, NodesAreFoundThroughSysfsAndOpenFailuresMap) {
  EXPECT_EQ(os::LinuxScsiPort::GenericNode(dir_.Path() + "/sys", 1, 0, 0, 0), "sg0");
  EXPECT_EQ(os::LinuxScsiPort::GenericNode(dir_.Path() + "/sys", 0, 0, 3, 1), "sg2");
  EXPECT_EQ(os::LinuxScsiPort::GenericNode(dir_.Path() + "/sys", 0, 0, 3, 2), "");
  EXPECT_EQ(Port(2), nullptr);

  auto port = Port(0);
  std::uint8_t data[512];
  auto request = Request(win::SCSI_IOCTL_DATA_IN, sizeof data, data, 1);
  ASSERT_EQ(port->Request(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request,
                          sizeof request, nullptr),
            win::ERROR_SUCCESS);
  EXPECT_EQ(layer_.opened.back(), "/dev/sg2");
  auto absent = Request(win::SCSI_IOCTL_DATA_IN, sizeof data, data, 5);
  EXPECT_EQ(port->Request(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &absent, sizeof absent, &absent, sizeof absent,
                          nullptr),
            win::ERROR_SEM_TIMEOUT);

  const std::pair<int, win::DWORD> errors[] = {{ENOENT, win::ERROR_FILE_NOT_FOUND},
                                               {EACCES, win::ERROR_ACCESS_DENIED},
                                               {EBUSY, win::ERROR_SHARING_VIOLATION}};
  for (const auto& [error, expected] : errors) {
    layer_.openErrno = error;
    EXPECT_EQ(port->Request(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request,
                            sizeof request, nullptr),
              expected);
  }
  layer_.openErrno = 0;
  std::uint8_t csmi[64] = {};
  EXPECT_EQ(port->Request(win::IOCTL_SCSI_MINIPORT, csmi, sizeof csmi, csmi, sizeof csmi, nullptr),
            win::ERROR_NOT_SUPPORTED);
}

TEST_F(LinuxScsiPortTest, OpticalDrivesAreSrNodesAndEjectWithCdromEject) {
  win::DWORD error = win::ERROR_SUCCESS;
  auto drive = os::LinuxOpticalDrive::Open(1, error, layer_, "/dev");
  ASSERT_NE(drive, nullptr);
  EXPECT_EQ(layer_.opened.back(), "/dev/sr1");
  EXPECT_EQ(layer_.openFlags, O_RDONLY | O_NONBLOCK);
  // Opened for writing, read-write: the kernel takes a disc's writing commands only through such a one.
  ASSERT_NE(os::LinuxOpticalDrive::Open(1, error, layer_, "/dev", true), nullptr);
  EXPECT_EQ(layer_.openFlags, O_RDWR | O_NONBLOCK);
  EXPECT_EQ(drive->Request(win::IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, nullptr),
            win::ERROR_SUCCESS);
  EXPECT_EQ(layer_.requests.back(), static_cast<unsigned long>(CDROMEJECT));
  layer_.ioctlErrno = EBUSY;
  EXPECT_NE(drive->Request(win::IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, nullptr),
            win::ERROR_SUCCESS);
  drive.reset();
  EXPECT_EQ(layer_.closed.back(), 42);
  layer_.openErrno = ENOENT;
  EXPECT_EQ(os::LinuxOpticalDrive::Open(9, error, layer_, "/dev"), nullptr);
  EXPECT_EQ(error, win::ERROR_FILE_NOT_FOUND);
}

TEST(LinuxScsiPortInquiryDataTest, EachUnitOfTheHostAnswersItsOwnInquiryOrTheOneSysfsKeeps) {
  rbtest::ScratchDir dir;
  rbtest::FakeStorageSysfs sysfs(dir.File("sys"));
  RecordingLayer layer;
  // The disk (sg0) and the tape answer their INQUIRY; the CD (sg1) fails it, and its sysfs names stand in.
  layer.answer = [&layer](sg_io_hdr_t& header) {
    if (layer.opened.back() == "/dev/sg1") {
      header.host_status = 0x01;
      return;
    }
    auto* data = static_cast<std::uint8_t*>(header.dxferp);
    const char inquiry[] = "\x00\x00\x05\x02\x1F\x00\x00\x00SEAGATE ST600MM0006     0004";
    std::memcpy(data, inquiry, 36);
    header.resid = static_cast<int>(header.dxfer_len) - 36;
  };
  win::DWORD error = win::ERROR_SUCCESS;
  auto port = os::LinuxScsiPort::Open(0, error, layer, sysfs.Root(), "/dev");
  ASSERT_NE(port, nullptr);
  std::vector<std::uint8_t> answer(2048);
  win::DWORD returned = 0;
  ASSERT_EQ(port->Request(win::IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, answer.data(), 2048, &returned),
            win::ERROR_SUCCESS);
  ASSERT_EQ(layer.sgCalls.size(), 3u);
  EXPECT_EQ(layer.sgCalls[0].cdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 36, 0}));
  EXPECT_EQ(layer.sgCalls[0].header.dxfer_direction, SG_DXFER_FROM_DEV);
  const auto units = os::ReadScsiInquiryData(answer.data(), returned);
  ASSERT_EQ(units.size(), 3u);
  EXPECT_EQ(units[0].target, 0);
  EXPECT_EQ(std::string(units[0].inquiry.begin() + 8, units[0].inquiry.end()),
            "SEAGATE ST600MM0006     0004");
  EXPECT_EQ(units[1].target, 2);
  EXPECT_EQ(units[1].inquiry[0], 5);
  EXPECT_EQ(units[1].inquiry[1], 0x80);  // removable
  EXPECT_EQ(std::string(units[1].inquiry.begin() + 8, units[1].inquiry.end()),
            "QEMU    QEMU CD-ROM     2.5+");
  EXPECT_EQ(units[2].target, 5);
  EXPECT_TRUE(units[0].claimed && units[1].claimed && units[2].claimed);
  // Host 1 holds the USB disk alone; the own port's disks belong to no SCSI host.
  port = os::LinuxScsiPort::Open(1, error, layer, sysfs.Root(), "/dev");
  ASSERT_EQ(port->Request(win::IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, answer.data(), 2048, &returned),
            win::ERROR_SUCCESS);
  EXPECT_EQ(os::ReadScsiInquiryData(answer.data(), returned).size(), 1u);
  EXPECT_EQ(os::LinuxScsiPort::Open(3, error, layer, sysfs.Root(), "/dev"), nullptr);
}

// The component's own send operation through the linux port: the CDB the device record holds is the
// one SG_IO carries, and a CHECK CONDITION reads as its text.
class PortPlatform : public rbtest::ForwardingPlatform {
 public:
  explicit PortPlatform(std::shared_ptr<os::LinuxScsiPort> port)
      : ForwardingPlatform(os::Native()), port_(port) {}
  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flags) override {
    if (path != "\\\\.\\SCSI0:")
      return ForwardingPlatform::CreateFile(path, access, share, disposition, flags);
    return kHandle;
  }
  bool CloseHandle(win::HANDLE handle) override {
    return handle == kHandle || ForwardingPlatform::CloseHandle(handle);
  }
  bool DeviceIoControl(win::HANDLE, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override {
    const win::DWORD error = port_->Request(code, in, inLength, out, outLength, returned);
    SetLastError(error);
    return error == win::ERROR_SUCCESS;
  }

 private:
  inline static const win::HANDLE kHandle = reinterpret_cast<win::HANDLE>(0x5000);
  std::shared_ptr<os::LinuxScsiPort> port_;
};

TEST_F(LinuxScsiPortTest, TheComponentsCommandsTravelAsSgIo) {
  rbtest::InstalledPlatform installed(std::make_unique<PortPlatform>(Port(0)));
  layer_.answer = [](sg_io_hdr_t& header) {
    if (header.cmdp[0] != 0x28) return;
    header.status = 0x02;
    header.driver_status = 0x08;
    const std::uint8_t sense[18] = {0x70, 0, 0x03, 0,    0,    0, 0,    10,   0,
                                    0,    0, 0,    0x11, 0x00, 0, 0x80, 0x00, 0x05};
    std::memcpy(header.sbp, sense, sizeof sense);
    header.sb_len_wr = sizeof sense;
  };
  rb::ScsiDriver driver("\\\\.\\SCSI0:");
  rbtest::BenchScsiDevice disk("disk", false, &driver, 0, 3, 0);
  EXPECT_EQ(disk.Inquiry(), rb::kScsiGood);
  EXPECT_EQ(layer_.sgCalls.back().cdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 0xF0, 0}));
  EXPECT_EQ(layer_.sgCalls.back().header.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(layer_.sgCalls.back().header.dxfer_len, 512u);
  std::uint8_t block[512];
  EXPECT_EQ(disk.ReadBlocks(0x1000, 1, 512, block), rb::kScsiCheckCondition);
  EXPECT_EQ(disk.LastStatusText().substr(0, 71),
            "Check Condition: Medium Error: Retry Count = 5: UNRECOVERED READ ERROR\n");
}

}  // namespace
