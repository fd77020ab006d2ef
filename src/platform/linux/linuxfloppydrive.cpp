#include "platform/linux/linuxfloppydrive.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/linux/linuxplatform.h"
#include "platform/winstorage.h"

namespace os {

std::vector<unsigned> LinuxFloppyDrive::List(const std::string& sysfsRoot) {
  std::vector<unsigned> drives;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(sysfsRoot + "/block", error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 2 && name.compare(0, 2, "fd") == 0 &&
        std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
      drives.push_back(static_cast<unsigned>(std::stoul(name.substr(2))));
  }
  std::sort(drives.begin(), drives.end());
  return drives;
}

std::shared_ptr<LinuxFloppyDrive> LinuxFloppyDrive::Open(unsigned index, win::DWORD& error,
                                                         LinuxIoctlLayer& layer, const std::string& devRoot) {
  // O_NONBLOCK (O_NDELAY): the drive opens without a diskette in it.
  const std::string path = devRoot + "/fd" + std::to_string(index);
  int fd = layer.Open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && (errno == EROFS || errno == EACCES)) fd = layer.Open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = WindowsErrorFromErrno(errno);
    return nullptr;
  }
  error = win::ERROR_SUCCESS;
  return std::make_shared<LinuxFloppyDrive>(fd, layer);
}

LinuxFloppyDrive::~LinuxFloppyDrive() {
  layer_.Close(fd_);
}

win::DWORD LinuxFloppyDrive::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                     win::DWORD outLength, win::DWORD* returned) {
  switch (code) {
    case win::IOCTL_DISK_GET_DRIVE_GEOMETRY: {
      if (out == nullptr || outLength < sizeof(win::DiskGeometry)) return win::ERROR_INSUFFICIENT_BUFFER;
      floppy_struct format{};
      if (layer_.Ioctl(fd_, FDGETPRM, &format) < 0) return WindowsErrorFromErrno(errno);
      if (format.head == 0 || format.sect == 0) return win::ERROR_NOT_READY;
      win::DiskGeometry geometry{};
      geometry.Cylinders = format.track;
      geometry.TracksPerCylinder = format.head;
      geometry.SectorsPerTrack = format.sect;
      geometry.BytesPerSector = 512;
      geometry.MediaType = format.size == 2880 && format.sect == 18 && format.head == 2 ? win::F3_1Pt44_512
                           : format.size == 5760                                        ? win::F3_2Pt88_512
                           : format.size == 1440                                        ? win::F3_720_512
                                                                                        : win::RemovableMedia;
      std::memcpy(out, &geometry, sizeof geometry);
      *returned = sizeof geometry;
      return win::ERROR_SUCCESS;
    }
    case win::IOCTL_STORAGE_RESET_DEVICE:
      return layer_.Ioctl(fd_, FDRESET, reinterpret_cast<void*>(FD_RESET_ALWAYS)) < 0
                 ? WindowsErrorFromErrno(errno)
                 : win::ERROR_SUCCESS;
    case win::IOCTL_DISK_IS_WRITABLE: {
      floppy_drive_struct state{};
      if (layer_.Ioctl(fd_, FDPOLLDRVSTAT, &state) < 0) return WindowsErrorFromErrno(errno);
      return (state.flags & FD_DISK_WRITABLE) != 0 ? win::ERROR_SUCCESS : win::ERROR_WRITE_PROTECT;
    }
    case win::IOCTL_STORAGE_CHECK_VERIFY: {
      // A diskette is in when its first sector reads.
      alignas(512) std::uint8_t sector[512];
      return ::pread(fd_, sector, sizeof sector, 0) == static_cast<ssize_t>(sizeof sector)
                 ? win::ERROR_SUCCESS
                 : win::ERROR_NOT_READY;
    }
    case win::IOCTL_DISK_FORMAT_TRACKS:
      return Format(in, inLength);
    case win::FSCTL_LOCK_VOLUME:
    case win::FSCTL_UNLOCK_VOLUME:
      // Nothing else writes the drive's tracks while the component formats them: the write hold
      // refuses a mounted diskette before.
      return win::ERROR_SUCCESS;
    default:
      return win::ERROR_INVALID_FUNCTION;
  }
}

win::DWORD LinuxFloppyDrive::Format(const void* in, win::DWORD inLength) {
  if (in == nullptr || inLength < sizeof(win::FormatParameters)) return win::ERROR_INVALID_PARAMETER;
  win::FormatParameters parameters;
  std::memcpy(&parameters, in, sizeof parameters);
  if (parameters.StartCylinderNumber > parameters.EndCylinderNumber ||
      parameters.StartHeadNumber > parameters.EndHeadNumber)
    return win::ERROR_INVALID_PARAMETER;
  if (layer_.Ioctl(fd_, FDFMTBEG, nullptr) < 0) return WindowsErrorFromErrno(errno);
  win::DWORD result = win::ERROR_SUCCESS;
  for (unsigned track = parameters.StartCylinderNumber; track <= parameters.EndCylinderNumber && !result;
       ++track) {
    for (unsigned head = parameters.StartHeadNumber; head <= parameters.EndHeadNumber && !result; ++head) {
      format_descr descriptor{0, head, track};
      if (layer_.Ioctl(fd_, FDFMTTRK, &descriptor) < 0)
        result = errno == EROFS ? win::ERROR_WRITE_PROTECT : WindowsErrorFromErrno(errno);
    }
  }
  // The format session ends whatever happened to a track.
  if (layer_.Ioctl(fd_, FDFMTEND, nullptr) < 0 && result == win::ERROR_SUCCESS)
    result = WindowsErrorFromErrno(errno);
  return result;
}

win::DWORD LinuxFloppyDrive::Read(void* buffer, win::DWORD count, win::DWORD* moved) {
  const ssize_t done = ::pread(fd_, buffer, count, static_cast<off_t>(position_));
  *moved = done > 0 ? static_cast<win::DWORD>(done) : 0;
  position_ += *moved;
  if (done < 0)
    return errno == ENXIO || errno == ENOMEDIUM ? win::ERROR_NOT_READY : WindowsErrorFromErrno(errno);
  return *moved < count ? win::ERROR_SECTOR_NOT_FOUND : win::ERROR_SUCCESS;
}

win::DWORD LinuxFloppyDrive::Write(const void* buffer, win::DWORD count, win::DWORD* moved) {
  const ssize_t done = ::pwrite(fd_, buffer, count, static_cast<off_t>(position_));
  *moved = done > 0 ? static_cast<win::DWORD>(done) : 0;
  position_ += *moved;
  if (done < 0)
    return errno == EROFS || errno == EACCES ? win::ERROR_WRITE_PROTECT : WindowsErrorFromErrno(errno);
  return *moved < count ? win::ERROR_SECTOR_NOT_FOUND : win::ERROR_SUCCESS;
}

win::DWORD LinuxFloppyDrive::Seek(std::int64_t distance, win::DWORD method, std::int64_t* position) {
  return MovePosition(position_, distance, method, position);
}

}  // namespace os
