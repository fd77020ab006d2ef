#include "support/portio.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "support/oruerror.h"

namespace {

using Access = os::SimPortSpace::Access;

const std::string kDriverPath = "\\\\.\\qxdvmkd";

// A simulated machine installed behind a recorder; the port driver is opened afresh for each test.
class PortIoTest : public testing::Test {
 protected:
  void UseMachine(const std::string& description) {
    Release();
    machine_ = std::make_unique<os::SimPlatform>(dir_.Write("machine.xml", description));
    auto recorder = std::make_unique<rbtest::RecordingPlatform>(*machine_);
    recorder_ = recorder.get();
    installed_ = std::make_unique<rbtest::InstalledPlatform>(std::move(recorder));
    rb::ResetPortDriverForTesting();
  }
  void TearDown() override { Release(); }
  // Closes the driver while its machine is still installed, then uninstalls the machine.
  void Release() {
    rb::ResetPortDriverForTesting();
    installed_.reset();
  }

  std::vector<Access> Accesses() const { return machine_->Ports().Accesses(); }
  int DriverOpens() const {
    int opens = 0;
    for (const std::string& path : recorder_->Opened()) opens += path == kDriverPath;
    return opens;
  }

  static constexpr const char* kBench =
      "<machine><ports driver=\"1\">"
      "<port address=\"0x70\" value=\"0x0A\"/><port address=\"0x71\" value=\"0x26\"/>"
      "<port address=\"0x80\" value=\"0x12\"/><port address=\"0x81\" value=\"0x34\"/>"
      "</ports></machine>";

  rbtest::ScratchDir dir_;
  std::unique_ptr<os::SimPlatform> machine_;
  rbtest::RecordingPlatform* recorder_ = nullptr;
  std::unique_ptr<rbtest::InstalledPlatform> installed_;
};

TEST_F(PortIoTest, ClockPortsAreRefusedAndNeverTouched) {
  UseMachine(kBench);
  struct Case {
    std::function<void()> access;
    std::string text;
  };
  const Case cases[] = {
      {[] { rb::IoportIn(0x70, 1); }, "IoportIn: portaddr:0x70\n"},
      {[] { rb::IoportIn(0x71, 1); }, "IoportIn: portaddr:0x71\n"},
      {[] { rb::IoportOut(0x70, 1, 0x8F); }, "IoportOut: portaddr:0x70 value:0x8f\n"},
      {[] { rb::IoportOut(0x71, 1, 0x00); }, "IoportOut: portaddr:0x71 value:0x0\n"},
  };
  std::vector<std::string> texts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      c.access();
      ADD_FAILURE() << "not refused";
    } catch (const rb::OruError& error) {
      EXPECT_EQ(error.Message(), c.text);
      EXPECT_EQ(error.Detail(), "");
    }
    texts.push_back(c.text);
  }
  // Each text also went to the debugger output, and nothing else did.
  EXPECT_EQ(recorder_->Output(), texts);
  EXPECT_TRUE(Accesses().empty());
  // The refusals happened with the driver open.
  EXPECT_EQ(DriverOpens(), 1);
}

TEST_F(PortIoTest, WritesAreReadBackThroughTheDriverOpenedOnce) {
  UseMachine(kBench);
  EXPECT_EQ(rb::IoportIn(0x80, 1), 0x12u);
  rb::IoportOut(0x80, 1, 0x5A);
  EXPECT_EQ(rb::IoportIn(0x80, 1), 0x5Au);
  EXPECT_EQ(rb::IoportIn(0x84, 1), 0xFFu);  // nothing declared there
  EXPECT_EQ(rb::IoportIn(0x80, 2), 0x345Au);
  const std::vector<Access> expected = {
      {0x80, 0x12, false}, {0x80, 0x5A, true},  {0x80, 0x5A, false},
      {0x84, 0xFF, false}, {0x80, 0x5A, false}, {0x81, 0x34, false},
  };
  EXPECT_EQ(Accesses(), expected);
  EXPECT_EQ(DriverOpens(), 1);
}

TEST_F(PortIoTest, WithoutTheDriverPortAccessFails) {
  const char* machines[] = {
      "<machine/>",
      "<machine><ports driver=\"0\"><port address=\"0x80\" value=\"0x12\"/></ports></machine>",
  };
  const std::string openTrace =
      "driver: InitializePhysicalHardware(): Unable to open or find qxdvmkd driver.  GetLastError returned "
      "2\n";
  for (const char* description : machines) {
    SCOPED_TRACE(description);
    UseMachine(description);
    const std::function<void()> accesses[] = {[] { rb::IoportIn(0x80, 1); },
                                              [] { rb::IoportOut(0x80, 1, 1); }};
    for (const auto& access : accesses) {
      try {
        access();
        ADD_FAILURE() << "no error";
      } catch (const rb::OruError& error) {
        EXPECT_EQ(error.Message(), "Health Driver IOCTL Failed");
        EXPECT_EQ(error.Detail(), "");
      }
    }
    win::PortIoRequest request = {0x80, 0, 1, 0};
    std::uint32_t returned = 7;
    EXPECT_EQ(rb::OruDeviceIoControl(win::IOCTL_READ_IO_PORT, &request, sizeof request, &request,
                                     sizeof request, &returned),
              1u);
    // The failed open is remembered: tried and traced once.
    EXPECT_EQ(DriverOpens(), 1);
    EXPECT_EQ(recorder_->Output(), std::vector<std::string>{openTrace});
    EXPECT_TRUE(Accesses().empty());
  }
}

TEST_F(PortIoTest, RequestsTheDriverFailsAreTracedAndTouchNothing) {
  UseMachine(kBench);
  // Width 3 is not a port access the driver knows.
  EXPECT_EQ(rb::IoportIn(0x80, 3), 0u);
  rb::IoportOut(0x80, 3, 0x99);
  const std::vector<std::string> expected = {
      "driver: OruDeviceIoControl(): DeviceIoControl failed.  GetLastError() = 87\n",
      "portio: IoportIn(): OruDeviceIoControl(IOCTL_READ_IO_PORT...) failure. Return = 87\n",
      "driver: OruDeviceIoControl(): DeviceIoControl failed.  GetLastError() = 87\n",
      "portio: IoportOut(): OruDeviceIoControl(IOCTL_WRITE_IO_PORT...) failure. Return = 87\n",
  };
  EXPECT_EQ(recorder_->Output(), expected);
  EXPECT_TRUE(Accesses().empty());
}

}  // namespace
