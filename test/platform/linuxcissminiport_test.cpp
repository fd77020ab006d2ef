// The CISS miniport of the linux backend against a recording fake of the ioctl layer: no emulator
// offers a controller whose driver takes the kernel's CISS ioctls, so the exact kernel commands are
// what is checked.

#include "platform/linux/linuxcissminiport.h"

#include <gtest/gtest.h>
#include <linux/cciss_ioctl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "controllers/arraylayouts.h"
#include "platform/fakestoragesysfs.h"
#include "platform/recordingioctllayer.h"
#include "platform/scratchdir.h"
#undef BYTE
#undef WORD
#undef HWORD
#undef DWORD

namespace {

namespace layout = rb::arraylayout;

std::vector<std::uint8_t> Framed(layout::DriverKind kind, std::uint32_t code, std::size_t total) {
  std::vector<std::uint8_t> request(total);
  layout::Put32(request.data(), layout::header::kHeaderLength, layout::kHeaderSize);
  const auto signature = layout::SignatureOf(kind);
  std::memcpy(request.data() + layout::header::kSignature, signature.signature.data(),
              signature.signature.size());
  layout::Put32(request.data(), layout::header::kControlCode, code);
  layout::Put32(request.data(), layout::header::kLength,
                static_cast<std::uint32_t>(total - layout::kHeaderSize));
  return request;
}

// host0 (on 0000:00:05.0) is the CISS controller: its controller device 0:3:0:0 (sg7) answers the CISS
// ioctls; host2 (ahci) refuses them.
class LinuxCissMiniport : public testing::Test {
 protected:
  void SetUp() override {
    const std::string device = "devices/pci0000:00/0000:00:05.0/host0/target0:3:0/0:3:0:0";
    sysfs_.Write(device + "/type", "12\n");
    sysfs_.Write(device + "/vendor", "RAVEL   \n");
    sysfs_.Write(device + "/model", "RB ARRAY        \n");
    sysfs_.Write(device + "/scsi_generic/sg7/dev", "21:7\n");
    sysfs_.Link("bus/scsi/devices/0:3:0:0", device);
    layer_.other = [this](unsigned long request, void* argument) -> int {
      const std::string& node = layer_.opened.back();
      if (request == CCISS_GETPCIINFO) return node == "/dev/sg7" ? 0 : ENOTTY;
      if (request == CCISS_PASSTHRU) {
        auto* command = static_cast<IOCTL_Command_struct*>(argument);
        small_.push_back(*command);
        command->error_info.CommandStatus = CMD_DATA_UNDERRUN;
        command->error_info.ResidualCnt = 416;
        command->error_info.MoreErrInfo.Invalid_Cmd.offense_size = 0;
        if (command->buf_size >= 4) std::memcpy(command->buf, "DATA", 4);
        return passthroughErrno_;
      }
      if (request == CCISS_BIG_PASSTHRU) {
        big_.push_back(*static_cast<BIG_IOCTL_Command_struct*>(argument));
        return 0;
      }
      return ENOTTY;
    };
  }
  win::DWORD Send(unsigned host, std::vector<std::uint8_t>& request) {
    return (host == 0 ? host0_ : host2_).Request(request.data(), static_cast<win::DWORD>(request.size()));
  }
  std::vector<std::uint8_t> Ciss(std::size_t dataLength, std::uint32_t direction) {
    auto request =
        Framed(layout::DriverKind::kCiss, layout::kCissControlCode, layout::kCissRequestSize + dataLength);
    const std::uint8_t lun[8] = {0x05, 0, 0, 0x01, 0, 0, 0, 0};
    std::memcpy(request.data() + layout::ciss::kLun, lun, 8);
    layout::Put16(request.data(), layout::ciss::kTimeout, 60);
    request[layout::ciss::kCdbLength] = 6;
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 240, 0};
    std::memcpy(request.data() + layout::ciss::kCdb, cdb, 6);
    layout::Put32(request.data(), layout::ciss::kDirection, direction);
    return request;
  }

  rbtest::ScratchDir dir_;
  rbtest::FakeStorageSysfs sysfs_{dir_.File("sys")};
  rbtest::RecordingIoctlLayer layer_;
  os::LinuxCissMiniport host0_{layer_, sysfs_.Root(), "/dev", 0};
  os::LinuxCissMiniport host2_{layer_, sysfs_.Root(), "/dev", 2};
  std::vector<IOCTL_Command_struct> small_;
  std::vector<BIG_IOCTL_Command_struct> big_;
  int passthroughErrno_ = 0;
};

TEST_F(LinuxCissMiniport, ControllerQueriesComeFromSysfsOnAHostThatTakesTheCissIoctls) {
  auto config = Framed(layout::DriverKind::kQueryCiss, layout::kQueryConfig, layout::kConfigSize);
  ASSERT_EQ(Send(0, config), win::ERROR_SUCCESS);
  EXPECT_EQ(layer_.opened.back(), "/dev/sg7");  // the controller's own node, not the disk's sg0
  EXPECT_EQ(layout::Get32(config.data(), layout::header::kReturnCode), 0u);
  const std::uint8_t* body = config.data() + layout::kHeaderSize;
  EXPECT_EQ(body[layout::config::kClass], layout::kClassCiss);
  EXPECT_EQ(body[layout::config::kBusType], layout::kBusTypePci);
  EXPECT_EQ(body[layout::config::kPciBus], 0);
  EXPECT_EQ(body[layout::config::kPciDevice], 5);
  EXPECT_EQ(body[layout::config::kPciFunction], 0);
  auto info = Framed(layout::DriverKind::kQueryBmic, layout::kQueryDriverInfo, layout::kDriverInfoSize);
  ASSERT_EQ(Send(0, info), win::ERROR_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(info.data() + layout::kHeaderSize), "sym53c8xx");
  EXPECT_EQ(layer_.opened.size(), layer_.closed.size());
  // The host was looked up and probed once.
  EXPECT_EQ(std::count(layer_.requests.begin(), layer_.requests.end(), CCISS_GETPCIINFO), 1);

  // A host whose driver refuses them has no such miniport; nor has a BMIC request a place here.
  EXPECT_EQ(Send(2, config), win::ERROR_NOT_SUPPORTED);
  auto bmic = Framed(layout::DriverKind::kBmic, layout::kBmicControlCode, layout::kBmicRequestSize + 512);
  ASSERT_EQ(Send(0, bmic), win::ERROR_SUCCESS);
  EXPECT_EQ(layout::Get32(bmic.data(), layout::header::kReturnCode), layout::kReturnInvalidParameter);
}

TEST_F(LinuxCissMiniport, CissRequestsBecomeOnePassthroughWithTheKernelsDirections) {
  struct Case {
    std::size_t length;
    std::uint32_t direction;
    int kernelDirection;
  };
  for (const Case& c :
       {Case{512, layout::kCissDataIn, XFER_READ}, Case{512, layout::kCissDataOut, XFER_WRITE},
        Case{0, layout::kCissNoData, XFER_NONE}, Case{512, 7, XFER_NONE}}) {
    small_.clear();
    auto request = Ciss(c.length, c.direction);
    ASSERT_EQ(Send(0, request), win::ERROR_SUCCESS);
    ASSERT_EQ(small_.size(), 1u);
    const IOCTL_Command_struct& sent = small_.front();
    EXPECT_EQ(sent.Request.Type.Direction, c.kernelDirection) << c.direction;
    EXPECT_EQ(sent.Request.Type.Type, TYPE_CMD);
    EXPECT_EQ(sent.Request.Type.Attribute, ATTR_SIMPLE);
    EXPECT_EQ(sent.Request.CDBLen, 6);
    EXPECT_EQ(sent.Request.CDB[4], 240);
    EXPECT_EQ(sent.Request.Timeout, 60);
    EXPECT_EQ(sent.buf_size, c.length);
    EXPECT_EQ(std::memcmp(&sent.LUN_info, request.data() + layout::ciss::kLun, 8), 0);
    // The kernel's error information is the request's returned fields; the data is in place.
    EXPECT_EQ(layout::Get16(request.data(), layout::ciss::kCommandStatus), layout::kCissDataUnderrun);
    EXPECT_EQ(layout::Get32(request.data(), layout::ciss::kResidual), 416u);
    if (c.length > 0) {
      EXPECT_EQ(std::memcmp(request.data() + layout::ciss::kData, "DATA", 4), 0);
    }
  }
  // Above 64 KiB the big passthrough carries the data.
  auto large = Ciss(0x20000, layout::kCissDataIn);
  ASSERT_EQ(Send(0, large), win::ERROR_SUCCESS);
  ASSERT_EQ(big_.size(), 1u);
  EXPECT_EQ(big_[0].buf_size, 0x20000u);
  EXPECT_EQ(big_[0].buf, large.data() + layout::ciss::kData);
  EXPECT_LT(big_[0].malloc_size, static_cast<unsigned>(MAX_KMALLOC_SIZE));

  // A failing ioctl is the call's error.
  passthroughErrno_ = EIO;
  auto failing = Ciss(512, layout::kCissDataIn);
  EXPECT_EQ(Send(0, failing), win::ERROR_IO_DEVICE);
}

}  // namespace
