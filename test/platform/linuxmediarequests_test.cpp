// The removable-media and geometry requests on a Linux block node, against a recording fake of the
// kernel's ioctls: which ioctl each request makes and how its answer becomes the Windows result.

#include "platform/linux/linuxmediarequests.h"

#include <gtest/gtest.h>
#include <linux/cdrom.h>
#include <linux/fd.h>
#include <linux/fs.h>

#include <algorithm>
#include <cstring>

#include "platform/linux/linuxfloppydrive.h"
#include "platform/recordingioctllayer.h"
#include "platform/scratchdir.h"

namespace {

// The fake answers the block size and the size queries as a 64 MiB medium of 2 KiB blocks.
class MediumLayer : public rbtest::RecordingIoctlLayer {
 public:
  int Ioctl(int fd, unsigned long request, void* argument) override {
    const int result = RecordingIoctlLayer::Ioctl(fd, request, argument);
    if (request == BLKGETSIZE64) *static_cast<std::uint64_t*>(argument) = size;
    if (request == BLKSSZGET) *static_cast<int*>(argument) = 2048;
    if (request == BLKROGET) *static_cast<int*>(argument) = readOnly;
    return result;
  }
  std::uint64_t size = 64ull << 20;
  int readOnly = 0;
};

TEST(LinuxMediaRequests, EachRequestItsIoctlAndItsAnswer) {
  MediumLayer layer;
  win::DWORD returned = 0;
  bool handled = false;
  const auto request = [&](win::DWORD code, bool optical, void* out = nullptr, win::DWORD length = 0) {
    layer.requests.clear();
    return os::LinuxMediaRequest(layer, 42, optical, true, code, out, length, &returned, handled);
  };

  // Readiness: the drive status, whose value is the ioctl's answer.
  layer.ioctlResult = CDS_DISC_OK;
  EXPECT_EQ(request(win::IOCTL_STORAGE_CHECK_VERIFY, true), win::ERROR_SUCCESS);
  EXPECT_EQ(layer.requests, std::vector<unsigned long>{CDROM_DRIVE_STATUS});
  layer.ioctlResult = CDS_NO_DISC;
  EXPECT_EQ(request(win::IOCTL_STORAGE_CHECK_VERIFY, true), win::ERROR_NOT_READY);
  layer.ioctlResult = 0;

  EXPECT_EQ(request(win::IOCTL_STORAGE_LOAD_MEDIA, true), win::ERROR_SUCCESS);
  EXPECT_EQ(layer.requests, std::vector<unsigned long>{CDROMCLOSETRAY});
  EXPECT_EQ(request(win::IOCTL_STORAGE_RESET_DEVICE, true), win::ERROR_SUCCESS);
  EXPECT_EQ(layer.requests, std::vector<unsigned long>{CDROMRESET});

  EXPECT_EQ(request(win::IOCTL_DISK_IS_WRITABLE, false), win::ERROR_SUCCESS);
  EXPECT_EQ(layer.requests, std::vector<unsigned long>{BLKROGET});
  layer.readOnly = 1;
  EXPECT_EQ(request(win::IOCTL_DISK_IS_WRITABLE, false), win::ERROR_WRITE_PROTECT);

  win::DiskGeometry geometry{};
  ASSERT_EQ(request(win::IOCTL_DISK_GET_DRIVE_GEOMETRY, true, &geometry, sizeof geometry),
            win::ERROR_SUCCESS);
  EXPECT_EQ(returned, sizeof geometry);
  EXPECT_EQ(geometry.BytesPerSector, 2048u);
  EXPECT_EQ(geometry.MediaType, win::RemovableMedia);
  EXPECT_EQ(geometry.Cylinders * geometry.TracksPerCylinder * geometry.SectorsPerTrack, 32768);
  layer.size = 0;  // no medium
  EXPECT_EQ(request(win::IOCTL_DISK_GET_DRIVE_GEOMETRY, true, &geometry, sizeof geometry),
            win::ERROR_NOT_READY);

  // The optical drive's own requests are none of a disk's.
  request(win::IOCTL_STORAGE_LOAD_MEDIA, false);
  EXPECT_FALSE(handled);
}

}  // namespace

namespace {

// The floppy controller's drive: each request its floppy ioctl, against the recording fake.
class FloppyLayer : public rbtest::RecordingIoctlLayer {
 public:
  int Ioctl(int fd, unsigned long request, void* argument) override {
    const int result = RecordingIoctlLayer::Ioctl(fd, request, argument);
    if (request == FDGETPRM)
      *static_cast<floppy_struct*>(argument) = {2880, 18, 2, 80, 0, 0, 0, 0, 0, nullptr};
    if (request == FDPOLLDRVSTAT)
      static_cast<floppy_drive_struct*>(argument)->flags = writable ? FD_DISK_WRITABLE : 0;
    if (request == FDFMTTRK) {
      tracks.push_back(*static_cast<format_descr*>(argument));
      if (failTrack) {
        errno = EIO;
        return -1;
      }
    }
    return result;
  }
  bool writable = true;
  bool failTrack = false;
  std::vector<format_descr> tracks;
};

TEST(LinuxFloppyDrive, GeometryFormatResetAndWriteProtect) {
  FloppyLayer layer;
  rbtest::ScratchDir dir;
  win::DWORD error = 0;
  const auto drive = os::LinuxFloppyDrive::Open(0, error, layer, dir.Path());
  ASSERT_NE(drive, nullptr);
  EXPECT_EQ(layer.opened.back(), dir.Path() + "/fd0");
  win::DiskGeometry geometry{};
  win::DWORD returned = 0;
  ASSERT_EQ(
      drive->Request(win::IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry, &returned),
      win::ERROR_SUCCESS);
  EXPECT_EQ(geometry.MediaType, win::F3_1Pt44_512);
  EXPECT_EQ(geometry.Cylinders, 80);
  EXPECT_EQ(geometry.TracksPerCylinder, 2u);
  EXPECT_EQ(geometry.SectorsPerTrack, 18u);

  // Cylinders 3 to 4, both heads: one FDFMTTRK a track between the session's begin and end.
  layer.requests.clear();
  const win::FormatParameters format{win::F3_1Pt44_512, 3, 4, 0, 1};
  EXPECT_EQ(drive->Request(win::IOCTL_DISK_FORMAT_TRACKS, &format, sizeof format, nullptr, 0, nullptr),
            win::ERROR_SUCCESS);
  EXPECT_EQ(layer.requests.front(), FDFMTBEG);
  EXPECT_EQ(layer.requests.back(), FDFMTEND);
  ASSERT_EQ(layer.tracks.size(), 4u);
  EXPECT_EQ(layer.tracks[1].track, 3u);
  EXPECT_EQ(layer.tracks[1].head, 1u);
  EXPECT_EQ(layer.tracks[2].track, 4u);

  layer.requests.clear();
  EXPECT_EQ(drive->Request(win::IOCTL_STORAGE_RESET_DEVICE, nullptr, 0, nullptr, 0, nullptr),
            win::ERROR_SUCCESS);
  EXPECT_EQ(layer.requests, std::vector<unsigned long>{FDRESET});
  EXPECT_EQ(drive->Request(win::IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0, nullptr), win::ERROR_SUCCESS);
  layer.writable = false;
  EXPECT_EQ(drive->Request(win::IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0, nullptr),
            win::ERROR_WRITE_PROTECT);
  // A track the driver refuses still ends the session.
  layer.requests.clear();
  layer.failTrack = true;
  EXPECT_EQ(drive->Request(win::IOCTL_DISK_FORMAT_TRACKS, &format, sizeof format, nullptr, 0, nullptr),
            win::ERROR_IO_DEVICE);
  EXPECT_EQ(layer.requests.back(), FDFMTEND);
  EXPECT_EQ(std::count(layer.requests.begin(), layer.requests.end(), FDFMTTRK), 1);
}

}  // namespace
