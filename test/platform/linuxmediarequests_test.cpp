// The removable-media and geometry requests on a Linux block node, against a recording fake of the
// kernel's ioctls: which ioctl each request makes and how its answer becomes the Windows result.

#include "platform/linux/linuxmediarequests.h"

#include <gtest/gtest.h>
#include <linux/cdrom.h>
#include <linux/fs.h>

#include <cstring>

#include "platform/recordingioctllayer.h"

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
