#include "platform/linux/linuxportdevice.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/linux/linuxplatform.h"
#include "platform/scratchdir.h"

namespace {

using win::DWORD;

const std::string kDriverPath = "\\\\.\\qxdvmkd";

// The driver is /dev/port. Only requests the device refuses before any port is reached are sent: a
// test must not move real ports.
TEST(LinuxPortDriver, OpensWhenTheMachineHasDevPort) {
  os::LinuxPlatform platform;
  const win::HANDLE driver = platform.CreateFile(kDriverPath, win::GENERIC_READ | win::GENERIC_WRITE,
                                                 win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                                 win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  if (::access(os::LinuxPortDevice::kPortFile, F_OK) != 0) {
    EXPECT_EQ(driver, win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform.GetLastError(), win::ERROR_FILE_NOT_FOUND);
    return;
  }
  if (::access(os::LinuxPortDevice::kPortFile, R_OK | W_OK) != 0) {
    EXPECT_EQ(driver, win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform.GetLastError(), win::ERROR_ACCESS_DENIED);
    return;
  }
  ASSERT_NE(driver, win::INVALID_HANDLE_VALUE);
  win::PortIoRequest request = {0x80, 0, 3, 0};
  DWORD returned = 9;
  EXPECT_FALSE(platform.DeviceIoControl(driver, win::IOCTL_READ_IO_PORT, &request, sizeof request, &request,
                                        sizeof request, &returned));
  EXPECT_EQ(platform.GetLastError(), win::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(returned, 0u);
  EXPECT_TRUE(platform.CloseHandle(driver));
}

TEST(LinuxPortDriver, DeviceRequestsOnOtherHandlesFail) {
  rbtest::ScratchDir dir;
  os::LinuxPlatform platform;
  const win::HANDLE file = platform.CreateFile(dir.Write("plain.bin", "abc"), win::GENERIC_READ, 0,
                                               win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  win::PortIoRequest request = {0x80, 0, 1, 0};
  EXPECT_FALSE(platform.DeviceIoControl(file, win::IOCTL_READ_IO_PORT, &request, sizeof request, &request,
                                        sizeof request, nullptr));
  EXPECT_EQ(platform.GetLastError(), win::ERROR_INVALID_FUNCTION);
  EXPECT_TRUE(platform.CloseHandle(file));
  EXPECT_FALSE(platform.DeviceIoControl(file, win::IOCTL_READ_IO_PORT, &request, sizeof request, &request,
                                        sizeof request, nullptr));
  EXPECT_EQ(platform.GetLastError(), win::ERROR_INVALID_HANDLE);
}

// The device over a stand-in for /dev/port: a file whose byte n is "port" n.
class PortFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string ports(os::PortDevice::kPortCount, '\0');
    for (std::size_t i = 0; i < ports.size(); ++i) ports[i] = static_cast<char>(i * 7 + 1);
    path_ = dir_.Write("port", ports);
  }
  std::shared_ptr<os::LinuxPortDevice> Open(DWORD access) {
    DWORD error = 0;
    auto device = os::LinuxPortDevice::Open(path_, access, error);
    EXPECT_EQ(error, win::ERROR_SUCCESS);
    return device;
  }
  std::string Bytes(std::size_t offset, std::size_t count) const {
    std::ifstream in(path_, std::ios::binary);
    const std::string all(std::istreambuf_iterator<char>(in), {});
    return all.substr(offset, count);
  }
  // Sends one request; answers the error and leaves the answer in `request`.
  static DWORD Send(os::PortDevice& device, DWORD code, win::PortIoRequest& request,
                    DWORD* returned = nullptr) {
    return device.Request(code, &request, sizeof request, &request, sizeof request, returned);
  }

  rbtest::ScratchDir dir_;
  std::string path_;
};

TEST_F(PortFileTest, ReadsAndWritesPortsAtTheirOffsets) {
  auto device = Open(win::GENERIC_READ | win::GENERIC_WRITE);
  ASSERT_NE(device, nullptr);
  struct Case {
    DWORD port;
    DWORD width;
    DWORD value;
  };
  // Port p holds (7p + 1) & FFh; the lowest port is the least significant byte.
  const Case reads[] = {{0x80, 1, 0x81}, {0x80, 2, 0x8881}, {0x1F0, 4, 0xA69F9891}, {0xFFFC, 4, 0xFAF3ECE5}};
  for (const Case& c : reads) {
    SCOPED_TRACE(c.port);
    win::PortIoRequest request = {c.port, 0, c.width, 0xDEADBEEF};
    DWORD returned = 0;
    ASSERT_EQ(Send(*device, win::IOCTL_READ_IO_PORT, request, &returned), win::ERROR_SUCCESS);
    EXPECT_EQ(request.value, c.value);
    EXPECT_EQ(request.port, c.port);
    EXPECT_EQ(request.width, c.width);
    EXPECT_EQ(returned, sizeof request);
  }

  win::PortIoRequest word = {0x300, 0, 2, 0x1234};
  ASSERT_EQ(Send(*device, win::IOCTL_WRITE_IO_PORT, word), win::ERROR_SUCCESS);
  // Only the low `width` bytes of the value are written.
  win::PortIoRequest byte = {0x310, 0, 1, 0xABCD};
  ASSERT_EQ(Send(*device, win::IOCTL_WRITE_IO_PORT, byte), win::ERROR_SUCCESS);
  EXPECT_EQ(Bytes(0x300, 2), "\x34\x12");
  EXPECT_EQ(Bytes(0x310, 2), std::string("\xCD") + static_cast<char>(0x311 * 7 + 1));
  win::PortIoRequest back = {0x300, 0, 2, 0};
  ASSERT_EQ(Send(*device, win::IOCTL_READ_IO_PORT, back), win::ERROR_SUCCESS);
  EXPECT_EQ(back.value, 0x1234u);
}

TEST_F(PortFileTest, RefusedRequestsTouchNoPort) {
  auto device = Open(win::GENERIC_READ | win::GENERIC_WRITE);
  auto readOnly = Open(win::GENERIC_READ);
  ASSERT_NE(device, nullptr);
  ASSERT_NE(readOnly, nullptr);
  const std::string before = Bytes(0, os::PortDevice::kPortCount);
  struct Case {
    const char* what;
    os::PortDevice* device;
    DWORD code;
    DWORD port;
    DWORD width;
    DWORD inLength;
    DWORD outLength;
    DWORD error;
  };
  constexpr DWORD kFull = sizeof(win::PortIoRequest);
  const Case cases[] = {
      {"other code", device.get(), 0x220014, 0x80, 1, kFull, kFull, win::ERROR_INVALID_FUNCTION},
      {"width 0", device.get(), win::IOCTL_WRITE_IO_PORT, 0x80, 0, kFull, kFull,
       win::ERROR_INVALID_PARAMETER},
      {"width 3", device.get(), win::IOCTL_WRITE_IO_PORT, 0x80, 3, kFull, kFull,
       win::ERROR_INVALID_PARAMETER},
      {"width 8", device.get(), win::IOCTL_WRITE_IO_PORT, 0x80, 8, kFull, kFull,
       win::ERROR_INVALID_PARAMETER},
      {"past the last port", device.get(), win::IOCTL_WRITE_IO_PORT, 0xFFFF, 2, kFull, kFull,
       win::ERROR_INVALID_PARAMETER},
      {"beyond the space", device.get(), win::IOCTL_WRITE_IO_PORT, 0x10000, 1, kFull, kFull,
       win::ERROR_INVALID_PARAMETER},
      {"short request", device.get(), win::IOCTL_WRITE_IO_PORT, 0x80, 1, kFull - 1, kFull,
       win::ERROR_INVALID_PARAMETER},
      {"no room for the answer", device.get(), win::IOCTL_READ_IO_PORT, 0x80, 1, kFull, kFull - 1,
       win::ERROR_INSUFFICIENT_BUFFER},
      {"read-only handle", readOnly.get(), win::IOCTL_WRITE_IO_PORT, 0x80, 1, kFull, kFull,
       win::ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    win::PortIoRequest request = {c.port, 0, c.width, 0x55};
    win::PortIoRequest answer = {};
    DWORD returned = 9;
    EXPECT_EQ(c.device->Request(c.code, &request, c.inLength, &answer, c.outLength, &returned), c.error);
    EXPECT_EQ(returned, 0u);
  }
  EXPECT_EQ(Bytes(0, os::PortDevice::kPortCount), before);
}

}  // namespace
