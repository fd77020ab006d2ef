#include "platform/sim/simportspace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"

namespace {

const std::string kDriverPath = "\\\\.\\qxdvmkd";

TEST(SimPortSpace, UnusableDeclarationsNameTheProblem) {
  rbtest::ScratchDir dir;
  struct Case {
    std::string ports;
    std::string problem;
  };
  const Case cases[] = {
      {"<port value=\"1\"/>", "<port> attribute 'address' is missing"},
      {"<port address=\"0x10000\" value=\"1\"/>", "<port> attribute 'address' is above 65535: '0x10000'"},
      {"<port address=\"0x80\" value=\"0x100\"/>", "<port> attribute 'value' is above 255: '0x100'"},
      {"<port address=\"eighty\" value=\"1\"/>", "<port> attribute 'address' is not a number: 'eighty'"},
      {"<port address=\"0x80\" value=\"1\"/><port address=\"128\" value=\"2\"/>",
       "<port> address 128 is declared twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ports);
    const std::string path = dir.Write("machine.xml", "<machine><ports>" + c.ports + "</ports></machine>");
    try {
      os::SimPlatform platform(path);
      ADD_FAILURE() << "accepted";
    } catch (const os::MachineError& error) {
      EXPECT_EQ(std::string(error.what()), "machine description '" + path + "': " + c.problem);
    }
  }
  const std::string badDriver = dir.Write("driver.xml", "<machine><ports driver=\"2\"/></machine>");
  EXPECT_THROW(os::SimPlatform{badDriver}, os::MachineError);
}

TEST(SimPortSpace, TheDriverOpensWhenTheMachineDeclaresIt) {
  rbtest::ScratchDir dir;
  struct Case {
    std::string description;
    bool driver;
  };
  const Case cases[] = {
      {"<machine/>", false},
      {"<machine><ports driver=\"0\"/></machine>", false},
      {"<machine><ports/></machine>", true},
      {"<machine><PORTS Driver=\"1\"/></machine>", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    os::SimPlatform platform(dir.Write("machine.xml", c.description));
    const win::HANDLE driver = platform.CreateFile(kDriverPath, win::GENERIC_READ | win::GENERIC_WRITE,
                                                   win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                                   win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
    if (!c.driver) {
      EXPECT_EQ(driver, win::INVALID_HANDLE_VALUE);
      EXPECT_EQ(platform.GetLastError(), win::ERROR_FILE_NOT_FOUND);
      continue;
    }
    ASSERT_NE(driver, win::INVALID_HANDLE_VALUE);
    // Device handles are apart from the native backend's file handles.
    EXPECT_GE(reinterpret_cast<std::uintptr_t>(driver), os::SimPlatform::kFirstDeviceHandle);
    EXPECT_TRUE(platform.CloseHandle(driver));
    EXPECT_FALSE(platform.CloseHandle(driver));
    EXPECT_EQ(platform.GetLastError(), win::ERROR_INVALID_HANDLE);
  }
}

TEST(SimPortSpace, WideAccessesSpanConsecutivePorts) {
  rbtest::ScratchDir dir;
  os::SimPlatform platform(dir.Write("machine.xml",
                                     "<machine><ports><port address=\"0xCF8\" value=\"0x11\"/>"
                                     "<port address=\"0xCFA\" value=\"0x33\"/></ports></machine>"));
  const win::HANDLE driver = platform.CreateFile(kDriverPath, win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                                 win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(driver, win::INVALID_HANDLE_VALUE);
  win::PortIoRequest request = {0xCF8, 0, 4, 0};
  win::DWORD returned = 0;
  ASSERT_TRUE(platform.DeviceIoControl(driver, win::IOCTL_READ_IO_PORT, &request, sizeof request, &request,
                                       sizeof request, &returned));
  // 0xCF9 and 0xCFB are not declared.
  EXPECT_EQ(request.value, 0xFF33FF11u);
  EXPECT_EQ(returned, sizeof request);
  request = {0xCF9, 0, 2, 0xBEEF};
  ASSERT_TRUE(platform.DeviceIoControl(driver, win::IOCTL_WRITE_IO_PORT, &request, sizeof request, nullptr, 0,
                                       &returned));
  EXPECT_EQ(returned, 0u);
  const std::vector<os::SimPortSpace::Access> expected = {
      {0xCF8, 0x11, false}, {0xCF9, 0xFF, false}, {0xCFA, 0x33, false},
      {0xCFB, 0xFF, false}, {0xCF9, 0xEF, true},  {0xCFA, 0xBE, true},
  };
  EXPECT_EQ(platform.Ports().Accesses(), expected);
  EXPECT_TRUE(platform.CloseHandle(driver));
}

}  // namespace
