#include "platform/linux/linuxunitdevice.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/linux/linuxmediarequests.h"
#include "platform/linux/linuxownport.h"
#include "platform/linux/linuxplatform.h"
#include "platform/linux/linuxsat.h"
#include "platform/linux/linuxscsiport.h"
#include "platform/passthroughrequest.h"

namespace os {

LinuxUnitDevice::LinuxUnitDevice(LinuxStorageUnit unit, LinuxIoctlLayer& layer, std::string sysfsRoot,
                                 std::string devRoot)
    : unit_(std::move(unit)), layer_(layer), sysfsRoot_(std::move(sysfsRoot)), devRoot_(std::move(devRoot)) {
  if (unit_.attachment == LinuxAttachment::kOwnPort)
    disk_ = std::make_unique<LinuxBlockDisk>(unit_, devRoot_ + "/" + unit_.node, layer_, devRoot_);
}

win::DWORD LinuxUnitDevice::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                    win::DWORD outLength, win::DWORD* returned) {
  if (code == win::IOCTL_SCSI_GET_ADDRESS) return WriteScsiAddress(unit_, out, outLength, returned);
  if (code == win::IOCTL_DISK_IS_WRITABLE || code == win::IOCTL_DISK_GET_DRIVE_GEOMETRY) {
    if (const win::DWORD error = OpenBlock(false)) return error;
    bool handled = false;
    return LinuxMediaRequest(layer_, blockFd_, false, unit_.removable, code, out, outLength, returned,
                             handled);
  }
  if (disk_ == nullptr) {
    // Readiness and loading of a removable disk (a zip, a USB stick): its own SCSI commands.
    if (code == win::IOCTL_STORAGE_CHECK_VERIFY || code == win::IOCTL_STORAGE_EJECT_MEDIA ||
        code == win::IOCTL_STORAGE_LOAD_MEDIA)
      return MediaCommand(code);
    // ATA commands through the SCSI-to-ATA translation of the drive's SCSI layer (libata, USB bridges).
    bool handled = false;
    const win::DWORD error =
        SatRequest(LinuxSatTransport([this](PassThroughRequest& request, win::DWORD* count) {
                     return SendSgIoTo(layer_, sysfsRoot_, devRoot_, unit_.linuxHost, unit_.path,
                                       unit_.target, unit_.lun, request, count);
                   }),
                   code, in, inLength, out, outLength, returned, handled);
    if (handled) return error;
  }
  if (code != win::IOCTL_SCSI_PASS_THROUGH && code != win::IOCTL_SCSI_PASS_THROUGH_DIRECT)
    return win::ERROR_INVALID_FUNCTION;
  PassThroughRequest request;
  if (const win::DWORD error = request.Parse(code, in, inLength, out, outLength)) return error;
  if (disk_ != nullptr) return disk_->Execute(request, returned);
  return SendSgIoTo(layer_, sysfsRoot_, devRoot_, unit_.linuxHost, unit_.path, unit_.target, unit_.lun,
                    request, returned);
}

win::DWORD LinuxUnitDevice::MediaCommand(win::DWORD code) {
  // TEST UNIT READY, or START STOP UNIT with the load/eject bit (and the start bit to load).
  std::uint8_t cdb[6] = {};
  if (code != win::IOCTL_STORAGE_CHECK_VERIFY) {
    if (!unit_.removable) return win::ERROR_INVALID_FUNCTION;
    cdb[0] = 0x1B;
    cdb[4] = code == win::IOCTL_STORAGE_LOAD_MEDIA ? 0x03 : 0x02;
  }
  std::uint8_t status = 0;
  std::uint8_t sense[32] = {};
  const win::DWORD error = LinuxSatTransport([this](PassThroughRequest& request, win::DWORD* count) {
    return SendSgIoTo(layer_, sysfsRoot_, devRoot_, unit_.linuxHost, unit_.path, unit_.target, unit_.lun,
                      request, count);
  })(cdb, sizeof cdb, false, nullptr, 0, &status, sense, sizeof sense);
  if (error != win::ERROR_SUCCESS) return error;
  return status == 0 ? win::ERROR_SUCCESS : win::ERROR_NOT_READY;
}

LinuxUnitDevice::~LinuxUnitDevice() {
  if (blockFd_ >= 0) layer_.Close(blockFd_);
}

win::DWORD LinuxUnitDevice::OpenBlock(bool write) {
  if (blockFd_ >= 0 && (blockWritable_ || !write)) return win::ERROR_SUCCESS;
  if (unit_.node.empty()) return win::ERROR_INVALID_FUNCTION;
  const int fd = layer_.Open(devRoot_ + "/" + unit_.node, (write ? O_RDWR : O_RDONLY) | O_DIRECT | O_CLOEXEC);
  if (fd < 0) return WindowsErrorFromErrno(errno);
  if (blockFd_ >= 0) layer_.Close(blockFd_);
  blockFd_ = fd;
  blockWritable_ = write;
  return win::ERROR_SUCCESS;
}

namespace {

win::DWORD TransferError(int error) {
  switch (error) {
    case ENOMEDIUM:
      return win::ERROR_NOT_READY;
    case EROFS:
    case EACCES:
    case EPERM:
      return win::ERROR_WRITE_PROTECT;
    case EINVAL:
      return win::ERROR_INVALID_PARAMETER;
    case EIO:
      return win::ERROR_IO_DEVICE;
    default:
      return WindowsErrorFromErrno(error);
  }
}

}  // namespace

win::DWORD LinuxUnitDevice::Read(void* buffer, win::DWORD count, win::DWORD* moved) {
  *moved = 0;
  if (const win::DWORD error = OpenBlock(false)) return error;
  const ssize_t done = ::pread(blockFd_, buffer, count, static_cast<off_t>(position_));
  if (done < 0) return TransferError(errno);
  *moved = static_cast<win::DWORD>(done);
  position_ += static_cast<std::uint64_t>(done);
  return done < static_cast<ssize_t>(count) ? win::ERROR_SECTOR_NOT_FOUND : win::ERROR_SUCCESS;
}

win::DWORD LinuxUnitDevice::Write(const void* buffer, win::DWORD count, win::DWORD* moved) {
  *moved = 0;
  if (const win::DWORD error = OpenBlock(true)) return error;
  const ssize_t done = ::pwrite(blockFd_, buffer, count, static_cast<off_t>(position_));
  if (done < 0) return TransferError(errno);
  *moved = static_cast<win::DWORD>(done);
  position_ += static_cast<std::uint64_t>(done);
  return done < static_cast<ssize_t>(count) ? win::ERROR_SECTOR_NOT_FOUND : win::ERROR_SUCCESS;
}

win::DWORD LinuxUnitDevice::Seek(std::int64_t distance, win::DWORD method, std::int64_t* position) {
  return MovePosition(position_, distance, method, position);
}

}  // namespace os
