#include "platform/linux/linuxmediarequests.h"

#include <errno.h>
#include <linux/cdrom.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

#include <cstdint>
#include <cstring>

#include "platform/linux/linuxplatform.h"

namespace os {

namespace {

win::DWORD Geometry(LinuxIoctlLayer& layer, int fd, bool removable, void* out, win::DWORD outLength,
                    win::DWORD* returned) {
  if (out == nullptr || outLength < sizeof(win::DiskGeometry)) return win::ERROR_INSUFFICIENT_BUFFER;
  std::uint64_t bytes = 0;
  int sectorBytes = 0;
  if (layer.Ioctl(fd, BLKGETSIZE64, &bytes) < 0 || layer.Ioctl(fd, BLKSSZGET, &sectorBytes) < 0)
    return errno == ENOMEDIUM ? win::ERROR_NOT_READY : WindowsErrorFromErrno(errno);
  if (bytes == 0 || sectorBytes <= 0) return win::ERROR_NOT_READY;
  // As Windows' class drivers describe a medium: 64 heads of 32 sectors for removable media, 255 of
  // 63 for a fixed disk, and as many cylinders as fill it.
  win::DiskGeometry geometry{};
  geometry.TracksPerCylinder = removable ? 64 : 255;
  geometry.SectorsPerTrack = removable ? 32 : 63;
  geometry.BytesPerSector = static_cast<win::DWORD>(sectorBytes);
  geometry.Cylinders = static_cast<std::int64_t>(bytes / sectorBytes /
                                                 (geometry.TracksPerCylinder * geometry.SectorsPerTrack));
  geometry.MediaType = removable ? win::RemovableMedia : win::FixedMedia;
  std::memcpy(out, &geometry, sizeof geometry);
  *returned = sizeof geometry;
  return win::ERROR_SUCCESS;
}

}  // namespace

win::DWORD LinuxMediaRequest(LinuxIoctlLayer& layer, int fd, bool optical, bool removable, win::DWORD code,
                             void* out, win::DWORD outLength, win::DWORD* returned, bool& handled) {
  handled = true;
  switch (code) {
    case win::IOCTL_DISK_IS_WRITABLE: {
      int readOnly = 0;
      if (layer.Ioctl(fd, BLKROGET, &readOnly) < 0) return WindowsErrorFromErrno(errno);
      return readOnly != 0 ? win::ERROR_WRITE_PROTECT : win::ERROR_SUCCESS;
    }
    case win::IOCTL_DISK_GET_DRIVE_GEOMETRY:
      return Geometry(layer, fd, removable || optical, out, outLength, returned);
    default:
      break;
  }
  if (!optical) {
    handled = false;
    return win::ERROR_INVALID_FUNCTION;
  }
  switch (code) {
    case win::IOCTL_STORAGE_CHECK_VERIFY: {
      // CDROM_DRIVE_STATUS answers the status itself.
      const int status = layer.Ioctl(fd, CDROM_DRIVE_STATUS, reinterpret_cast<void*>(CDSL_CURRENT));
      if (status < 0) return WindowsErrorFromErrno(errno);
      return status == CDS_DISC_OK ? win::ERROR_SUCCESS : win::ERROR_NOT_READY;
    }
    case win::IOCTL_STORAGE_LOAD_MEDIA:
      return layer.Ioctl(fd, CDROMCLOSETRAY, nullptr) < 0 ? WindowsErrorFromErrno(errno) : win::ERROR_SUCCESS;
    case win::IOCTL_STORAGE_RESET_DEVICE:
      return layer.Ioctl(fd, CDROMRESET, nullptr) < 0 ? WindowsErrorFromErrno(errno) : win::ERROR_SUCCESS;
    default:
      handled = false;
      return win::ERROR_INVALID_FUNCTION;
  }
}

}  // namespace os
