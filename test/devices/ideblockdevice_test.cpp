// Block access of an ATA drive through its device file: the failure texts and the details that name
// the system's error, the bytes wanted and the block address.

#include "devices/ata/idedisk.h"

#include <gtest/gtest.h>

#include <vector>

#include "ioctlrecorder.h"
#include "platform/recordingplatform.h"
#include "scsitestbench.h"

namespace {

// A disk of 1,000 sectors of 512 bytes, as its identify data says.
rb::AtaIdentify ThousandSectors() {
  std::uint8_t bytes[rb::AtaIdentify::kBytes] = {};
  bytes[120] = 0xE8;  // word 60: 1000
  bytes[121] = 0x03;
  return rb::AtaIdentify(bytes);
}

TEST(IdeBlockAccess, FailuresNameTheSystemErrorTheBytesAndTheBlock) {
  rbtest::InstalledPlatform installed(std::make_unique<rbtest::IoctlRecorder>());
  auto& ioctl = static_cast<rbtest::IoctlRecorder&>(installed.Get());
  rb::IdeDisk disk("ideDisk", false, "\\\\.\\PhysicalDrive4");
  disk.SetIdentify(ThousandSectors());
  EXPECT_EQ(disk.LastBlockAddress(), 999u);
  EXPECT_EQ(disk.BlockSize(), 512u);
  EXPECT_EQ(disk.CapacityText(), "0.51 Mbytes");
  std::vector<std::uint8_t> buffer(1024);

  ioctl.openError = win::ERROR_ACCESS_DENIED;
  rb::OruError error = rbtest::RaisedBy([&] { disk.Access(rb::BlockDevice::kRead, 7, 2, buffer.data()); });
  EXPECT_EQ(error.Message(), "Driver Open Failed in AccessDevice");
  EXPECT_EQ(error.Detail(), "ideDisk [GetLastErrText=system text 5] [NumBytesWanted=1024] [LBA=7]");
  EXPECT_EQ(disk.HardErrorsOfLastAccess(), 1u);
  // Unbuffered, shared, read and write access.
  EXPECT_EQ(ioctl.opens.back().flags, win::FILE_FLAG_NO_BUFFERING);
  EXPECT_EQ(ioctl.opens.back().share, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE);

  // The fake's handle cannot be positioned by the system.
  ioctl.openError = win::ERROR_SUCCESS;
  error = rbtest::RaisedBy([&] { disk.Access(rb::BlockDevice::kVerify, 900, 1, nullptr); });
  EXPECT_EQ(error.Message(), "Could not seek block");
  EXPECT_NE(error.Detail().find("[NumBytesWanted=512] [LBA=900]"), std::string::npos) << error.Detail();
  EXPECT_EQ(ioctl.openHandles, 0);

  error = rbtest::RaisedBy([&] { disk.Access(4, 0, 1, buffer.data()); });
  EXPECT_EQ(error.Message(), "Invalid parameter list");
  EXPECT_EQ(error.Detail(), "ideDisk: Invalid Access Mode: 4");
}

}  // namespace
