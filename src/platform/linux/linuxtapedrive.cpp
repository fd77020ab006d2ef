#include "platform/linux/linuxtapedrive.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/mtio.h>
#include <sys/ioctl.h>

#include <cstdint>

#include "platform/linux/linuxplatform.h"
#include "platform/linux/linuxsat.h"
#include "platform/linux/linuxscsiport.h"
#include "platform/tapedriveinformation.h"
#include "platform/wintape.h"

namespace os {

LinuxTapeDrive::LinuxTapeDrive(LinuxStorageUnit unit, LinuxIoctlLayer& layer, std::string sysfsRoot,
                               std::string devRoot)
    : unit_(unit),
      layer_(layer),
      sysfsRoot_(sysfsRoot),
      devRoot_(devRoot),
      drive_(std::move(unit), layer, std::move(sysfsRoot), std::move(devRoot)) {}

LinuxTapeDrive::~LinuxTapeDrive() {
  if (fd_ >= 0) layer_.Close(fd_);
}

win::DWORD LinuxTapeDrive::Open() {
  if (fd_ >= 0) return win::ERROR_SUCCESS;
  if (unit_.node.empty()) return win::ERROR_FILE_NOT_FOUND;
  // "st0" is the rewinding node; the tape functions position the tape themselves.
  const std::string path = devRoot_ + "/n" + unit_.node;
  int fd = layer_.Open(path, O_RDWR | O_NONBLOCK);
  readOnly_ = false;
  if (fd < 0 && errno == EROFS) {
    fd = layer_.Open(path, O_RDONLY | O_NONBLOCK);
    readOnly_ = true;
  }
  if (fd < 0) return ErrorOf(errno, false);
  fd_ = fd;
  return win::ERROR_SUCCESS;
}

bool LinuxTapeDrive::StatusBits(unsigned long* bits) {
  struct mtget status = {};
  if (fd_ < 0 || layer_.Ioctl(fd_, MTIOCGET, &status) != 0) return false;
  *bits = static_cast<unsigned long>(status.mt_gstat);
  return true;
}

win::DWORD LinuxTapeDrive::ErrorOf(int error, bool writing) {
  switch (error) {
    case ENOMEDIUM:
      return win::ERROR_NO_MEDIA_IN_DRIVE;
    case EROFS:
      return win::ERROR_WRITE_PROTECT;
    case ENOSPC:
      return win::ERROR_END_OF_MEDIA;
    case ENOMEM:  // the block is larger than the buffer
      return win::ERROR_MORE_DATA;
    case ENOSYS:
    case ENOTTY:
      return win::ERROR_NOT_SUPPORTED;
    case EIO: {
      // The driver says what the drive met in its status bits.
      unsigned long bits = 0;
      if (!StatusBits(&bits)) return win::ERROR_IO_DEVICE;
      if (GMT_DR_OPEN(bits)) return win::ERROR_NO_MEDIA_IN_DRIVE;
      if (writing && GMT_WR_PROT(bits)) return win::ERROR_WRITE_PROTECT;
      if (GMT_EOT(bits)) return win::ERROR_END_OF_MEDIA;
      if (GMT_EOD(bits)) return win::ERROR_NO_DATA_DETECTED;
      if (!GMT_ONLINE(bits)) return win::ERROR_NOT_READY;
      return win::ERROR_IO_DEVICE;
    }
    default:
      return WindowsErrorFromErrno(error);
  }
}

win::DWORD LinuxTapeDrive::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                   win::DWORD outLength, win::DWORD* returned) {
  // The tape driver unloads the tape itself, so that it knows the drive is empty.
  if (code == win::IOCTL_STORAGE_EJECT_MEDIA) return Operation(MTOFFL, 1);
  return drive_.Control(code, in, inLength, out, outLength, returned);
}

win::DWORD LinuxTapeDrive::Read(void* buffer, win::DWORD count, win::DWORD* moved) {
  *moved = 0;
  if (const win::DWORD error = Open()) return error;
  const long done = layer_.Read(fd_, buffer, count);
  if (done < 0) return ErrorOf(errno, false);
  *moved = static_cast<win::DWORD>(done);
  if (done > 0 || count == 0) return win::ERROR_SUCCESS;
  // Nothing read: a filemark, or the end of the recorded data.
  unsigned long bits = 0;
  if (StatusBits(&bits) && GMT_EOD(bits)) return win::ERROR_NO_DATA_DETECTED;
  return win::ERROR_FILEMARK_DETECTED;
}

win::DWORD LinuxTapeDrive::Write(const void* buffer, win::DWORD count, win::DWORD* moved) {
  *moved = 0;
  if (const win::DWORD error = Open()) return error;
  if (readOnly_) return win::ERROR_WRITE_PROTECT;
  const long done = layer_.Write(fd_, buffer, count);
  if (done < 0) return ErrorOf(errno, true);
  *moved = static_cast<win::DWORD>(done);
  return static_cast<win::DWORD>(done) < count ? win::ERROR_END_OF_MEDIA : win::ERROR_SUCCESS;
}

win::DWORD LinuxTapeDrive::TapeStatus() {
  if (const win::DWORD error = Open()) return error;
  unsigned long bits = 0;
  if (!StatusBits(&bits)) return ErrorOf(errno, false);
  if (GMT_DR_OPEN(bits)) return win::ERROR_NO_MEDIA_IN_DRIVE;
  if (!GMT_ONLINE(bits)) return win::ERROR_NOT_READY;
  if (GMT_CLN(bits)) return win::ERROR_DEVICE_REQUIRES_CLEANING;
  return win::ERROR_SUCCESS;
}

win::DWORD LinuxTapeDrive::TapeParameters(win::DWORD operation, win::DWORD* size, void* information) {
  return ReadTapeParameters(LinuxSatTransport([this](PassThroughRequest& request, win::DWORD* count) {
                              return SendSgIoTo(layer_, sysfsRoot_, devRoot_, unit_.linuxHost, unit_.path,
                                                unit_.target, unit_.lun, request, count);
                            }),
                            operation, size, information);
}

win::DWORD LinuxTapeDrive::Operation(short operation, int count) {
  if (const win::DWORD error = Open()) return error;
  struct mtop request = {};
  request.mt_op = operation;
  request.mt_count = count;
  if (layer_.Ioctl(fd_, MTIOCTOP, &request) != 0)
    return ErrorOf(errno, operation == MTWEOF || operation == MTWEOFI || operation == MTWSM);
  return win::ERROR_SUCCESS;
}

win::DWORD LinuxTapeDrive::TapePosition(win::DWORD method, win::DWORD, std::uint64_t offset, bool) {
  const auto count = static_cast<std::int64_t>(offset);
  if (count > INT32_MAX || count < INT32_MIN) return win::ERROR_INVALID_PARAMETER;
  const int value = static_cast<int>(count);
  switch (method) {
    case win::TAPE_REWIND:
      return Operation(MTREW, 1);
    case win::TAPE_SPACE_FILEMARKS:
      if (value == 0) return win::ERROR_SUCCESS;
      return value > 0 ? Operation(MTFSF, value) : Operation(MTBSF, -value);
    case win::TAPE_SPACE_RELATIVE_BLOCKS:
      if (value == 0) return win::ERROR_SUCCESS;
      return value > 0 ? Operation(MTFSR, value) : Operation(MTBSR, -value);
    case win::TAPE_SPACE_END_OF_DATA:
      return Operation(MTEOM, 1);
    case win::TAPE_LOGICAL_BLOCK:
    case win::TAPE_ABSOLUTE_BLOCK:
      if (value < 0) return win::ERROR_INVALID_PARAMETER;
      return Operation(MTSEEK, value);
    default:
      return win::ERROR_NOT_SUPPORTED;
  }
}

win::DWORD LinuxTapeDrive::Tapemark(win::DWORD type, win::DWORD count, bool immediate) {
  if (count > INT32_MAX) return win::ERROR_INVALID_PARAMETER;
  const int value = static_cast<int>(count);
  switch (type) {
    case win::TAPE_SETMARKS:
      return Operation(MTWSM, value);
    case win::TAPE_FILEMARKS:
    case win::TAPE_SHORT_FILEMARKS:
    case win::TAPE_LONG_FILEMARKS:
      return Operation(immediate ? MTWEOFI : MTWEOF, value);
    default:
      return win::ERROR_INVALID_PARAMETER;
  }
}

}  // namespace os
