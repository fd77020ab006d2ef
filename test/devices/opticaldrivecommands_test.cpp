#include "devices/scsi/opticaldrivecommands.h"

#include <gtest/gtest.h>

#include <cstring>

#include "devices/ioctlrecorder.h"
#include "devices/scsitestbench.h"
#include "support/oruerror.h"

namespace {

TEST(OpticalDriveCommands, RequestLayoutsFlagsAndTheNextWritableAddress) {
  rbtest::InstalledPlatform installed(std::make_unique<rbtest::IoctlRecorder>());
  auto& ioctl = static_cast<rbtest::IoctlRecorder&>(installed.Get());
  ioctl.answer = [](win::DWORD, void* out, win::DWORD length) {
    if (length != sizeof(win::TrackInfoPassThrough)) return;
    auto* request = static_cast<win::TrackInfoPassThrough*>(out);
    request->data[12] = 0x00;
    request->data[13] = 0x01;
    request->data[14] = 0x23;
    request->data[15] = 0x45;
  };
  std::uint32_t address = 0;
  ASSERT_TRUE(rb::GetTracksNextWritableAddress("\\\\.\\CDROM0", address));
  EXPECT_EQ(address, 0x12345u);
  EXPECT_EQ(ioctl.opens.back().flags, 0u);
  EXPECT_EQ(ioctl.opens.back().share, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE);
  EXPECT_EQ(ioctl.calls.back().code, 0x4D004u);
  EXPECT_EQ(ioctl.calls.back().in.size(), 128u);
  const auto track = ioctl.Request<win::TrackInfoPassThrough>(ioctl.calls.size() - 1);
  EXPECT_EQ(track.header.DataBufferOffset, 92u);
  EXPECT_EQ(track.header.SenseInfoOffset, 60u);
  EXPECT_EQ(track.header.TimeOutValue, 5000u);
  EXPECT_EQ(track.header.DataTransferLength, 36u);
  EXPECT_EQ(std::vector<std::uint8_t>(track.header.Cdb, track.header.Cdb + 10),
            (std::vector<std::uint8_t>{0x52, 0x01, 0, 0, 0, 0xFF, 0, 0, 0x24, 0}));

  std::uint8_t page[40];
  ASSERT_TRUE(rb::MODESense("\\\\.\\CDROM0", 1, 0x2A, true, page, sizeof page));
  EXPECT_EQ(ioctl.opens.back().flags, win::FILE_FLAG_NO_BUFFERING);
  EXPECT_EQ(ioctl.calls.back().in.size(), 33344u);
  const auto& bytes = ioctl.calls.back().in;
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 36, bytes.begin() + 46),
            (std::vector<std::uint8_t>{0x5A, 0x08, 0x6A, 0, 0, 0, 0, 0, 40, 0}));
  EXPECT_EQ(bytes[8], win::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(bytes[316], 0xDD);  // the caller's buffer travels filled with DDh

  EXPECT_TRUE(rb::IdeCdromTestUnitReady("\\\\.\\CDROM0"));
  EXPECT_EQ(ioctl.calls.back().in.size(), 92u);
  EXPECT_EQ(ioctl.calls.back().in[6], 6);  // CdbLength

  // A length beyond the data area is refused before anything is opened.
  const std::size_t opens = ioctl.opens.size();
  std::vector<std::uint8_t> huge(rb::kOpticalDataBytes + 1);
  EXPECT_FALSE(rb::ReadOpticalDriveBlocks("\\\\.\\CDROM0", 0, 17, huge.data(),
                                          static_cast<std::uint32_t>(huge.size())));
  EXPECT_EQ(ioctl.opens.size(), opens);
}

TEST(OpticalDriveCommands, ThroughTheSimulatedDrivePath) {
  rbtest::SimulatedMachine machine(
      R"(<scsi><port number="0"><optical target="1" medium="1" blocks="1000"/><optical target="2"/></port></scsi>)");
  std::uint8_t capacity[80];
  ASSERT_TRUE(rb::READCapacity("\\\\.\\CDROM0", capacity));
  EXPECT_EQ(capacity[2], 0x03);  // last block 999 = 3E7h
  EXPECT_EQ(capacity[3], 0xE7);
  EXPECT_EQ(capacity[6], 0x08);  // 2048-byte blocks
  EXPECT_TRUE(rb::IdeCdromTestUnitReady("\\\\.\\CDROM0"));
  EXPECT_FALSE(rb::IdeCdromTestUnitReady("\\\\.\\CDROM1"));  // no medium
  // The current profile of a pressed DVD; a command the drive does not know is refused.
  std::uint8_t configuration[8];
  ASSERT_TRUE(rb::GetConfiguration("\\\\.\\CDROM0", configuration, sizeof configuration));
  EXPECT_EQ(configuration[6] << 8 | configuration[7], 0x0010);
  std::uint8_t toc[256];
  EXPECT_FALSE(rb::ReadToc("\\\\.\\CDROM0", 0, toc));
  const rb::OruError raised = rbtest::RaisedBy([&] { rb::READCapacity("\\\\.\\CDROM7", capacity); });
  EXPECT_EQ(raised.Message(), "Driver Open Failed in READCapacity");
  const rb::OruError raised2 = rbtest::RaisedBy([&] { rb::StopPlay("\\\\.\\CDROM7"); });
  EXPECT_EQ(raised2.Message(), "Driver Open Failed in GetConfiguration");
}

}  // namespace
