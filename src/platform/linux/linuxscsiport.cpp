#include "platform/linux/linuxscsiport.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <scsi/sg.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/linux/linuxblockdisk.h"
#include "platform/linux/linuxmediarequests.h"
#include "platform/linux/linuxplatform.h"
#include "platform/linux/linuxsat.h"
#include "platform/linux/linuxstoragemap.h"
#include "platform/passthroughrequest.h"
#include "platform/scsiinquirydata.h"

namespace os {

namespace {

// Host statuses of the SCSI mid-layer (DID_*) and the driver's own failures (DRIVER_*, low nibble).
constexpr unsigned short kDidNoConnect = 0x01;
constexpr unsigned short kDidBusBusy = 0x02;
constexpr unsigned short kDidTimeOut = 0x03;
constexpr unsigned short kDidBadTarget = 0x04;
constexpr unsigned short kDriverTimeout = 0x06;
constexpr unsigned short kDriverSense = 0x08;

win::DWORD TransportError(unsigned short hostStatus, unsigned short driverStatus) {
  switch (hostStatus) {
    case 0:
      break;
    case kDidNoConnect:
    case kDidTimeOut:
    case kDidBadTarget:
      return win::ERROR_SEM_TIMEOUT;
    case kDidBusBusy:
      return win::ERROR_BUSY;
    default:
      return win::ERROR_IO_DEVICE;
  }
  const unsigned short driver = driverStatus & 0x0F;
  if (driver == 0 || driver == kDriverSense) return win::ERROR_SUCCESS;
  return driver == kDriverTimeout ? win::ERROR_SEM_TIMEOUT : win::ERROR_IO_DEVICE;
}

}  // namespace

win::DWORD SendSgIo(LinuxIoctlLayer& layer, int fd, PassThroughRequest& request, win::DWORD* returned) {
  unsigned char sense[255] = {};  // as much as mx_sb_len can ask for
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.dxfer_direction = request.length == 0                         ? SG_DXFER_NONE
                           : request.dataIn == win::SCSI_IOCTL_DATA_IN ? SG_DXFER_FROM_DEV
                                                                       : SG_DXFER_TO_DEV;
  header.cmd_len = request.cdbLength;
  header.mx_sb_len = std::min<unsigned char>(request.senseLength, sizeof sense);
  header.dxfer_len = request.length;
  header.dxferp = request.length > 0 ? request.data : nullptr;
  header.cmdp = request.cdb;
  header.sbp = sense;
  header.timeout = request.timeoutSeconds > UINT32_MAX / 1000 ? UINT32_MAX : request.timeoutSeconds * 1000;
  if (layer.Ioctl(fd, SG_IO, &header) < 0) return WindowsErrorFromErrno(errno);
  if (const win::DWORD error = TransportError(header.host_status, header.driver_status)) return error;
  // The kernel's counts are bounded by what was asked for.
  const std::uint32_t residual = header.resid > 0 ? static_cast<std::uint32_t>(header.resid) : 0;
  const std::uint32_t moved = request.length - std::min(residual, request.length);
  request.Complete(header.status, sense, std::min<unsigned>(header.sb_len_wr, header.mx_sb_len), moved,
                   returned);
  return win::ERROR_SUCCESS;
}

std::string LinuxScsiPort::GenericNode(const std::string& sysfsRoot, unsigned host, unsigned channel,
                                       unsigned target, unsigned lun) {
  // The SCSI device's own directory names its generic node: one sgN entry in its scsi_generic folder.
  const std::string directory = sysfsRoot + "/bus/scsi/devices/" + std::to_string(host) + ":" +
                                std::to_string(channel) + ":" + std::to_string(target) + ":" +
                                std::to_string(lun) + "/scsi_generic";
  DIR* entries = ::opendir(directory.c_str());
  if (entries == nullptr) return {};
  std::string found;
  while (const dirent* entry = ::readdir(entries)) {
    if (std::strncmp(entry->d_name, "sg", 2) == 0) {
      found = entry->d_name;
      break;
    }
  }
  ::closedir(entries);
  return found;
}

std::shared_ptr<LinuxScsiPort> LinuxScsiPort::Open(unsigned host, win::DWORD& error, LinuxIoctlLayer& layer,
                                                   const std::string& sysfsRoot, const std::string& devRoot) {
  struct stat status;
  const std::string hostPath = sysfsRoot + "/class/scsi_host/host" + std::to_string(host);
  if (::stat(hostPath.c_str(), &status) != 0) {
    error = win::ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  error = win::ERROR_SUCCESS;
  return std::make_shared<LinuxScsiPort>(host, layer, sysfsRoot, devRoot);
}

win::DWORD LinuxScsiPort::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                  win::DWORD outLength, win::DWORD* returned) {
  if (code == win::IOCTL_SCSI_MINIPORT) return ciss_.Request(out, outLength);
  if (code == win::IOCTL_SCSI_GET_INQUIRY_DATA) return WriteInquiryData(out, outLength, returned);
  if (code != win::IOCTL_SCSI_PASS_THROUGH && code != win::IOCTL_SCSI_PASS_THROUGH_DIRECT)
    return win::ERROR_INVALID_FUNCTION;
  PassThroughRequest request;
  if (const win::DWORD error = request.Parse(code, in, inLength, out, outLength)) return error;
  return SendSgIoTo(layer_, sysfsRoot_, devRoot_, host_, request.path, request.target, request.lun, request,
                    returned);
}

win::DWORD SendSgIoTo(LinuxIoctlLayer& layer, const std::string& sysfsRoot, const std::string& devRoot,
                      unsigned host, unsigned channel, unsigned target, unsigned lun,
                      PassThroughRequest& request, win::DWORD* returned) {
  const std::string node = LinuxScsiPort::GenericNode(sysfsRoot, host, channel, target, lun);
  // No device at the address: the port's answer is a selection timeout.
  if (node.empty()) return win::ERROR_SEM_TIMEOUT;
  const int fd = layer.Open(devRoot + "/" + node, O_RDWR | O_NONBLOCK);
  if (fd < 0) return WindowsErrorFromErrno(errno);
  const win::DWORD error = SendSgIo(layer, fd, request, returned);
  layer.Close(fd);
  return error;
}

win::DWORD LinuxScsiPort::WriteInquiryData(void* out, win::DWORD outLength, win::DWORD* returned) {
  std::vector<ScsiUnitInquiry> inquiries;
  const LinuxStorageMap map = LinuxStorageMap::Scan(sysfsRoot_);
  for (const LinuxStorageUnit& unit : map.Units()) {
    if (unit.linuxHost != host_ || unit.attachment == LinuxAttachment::kOwnPort) continue;
    ScsiUnitInquiry inquiry{unit.path, unit.target, unit.lun, unit.claimed, StandardInquiryOf(unit)};
    std::array<std::uint8_t, 36> answered{};
    win::ScsiPassThroughDirectWithSense command{};
    command.header.Length = sizeof command.header;
    command.header.CdbLength = 6;
    command.header.SenseInfoLength = sizeof command.sense;
    command.header.DataIn = win::SCSI_IOCTL_DATA_IN;
    command.header.DataTransferLength = sizeof answered;
    command.header.TimeOutValue = 10;
    command.header.DataBuffer = answered.data();
    command.header.SenseInfoOffset = offsetof(win::ScsiPassThroughDirectWithSense, sense);
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, sizeof answered, 0};
    std::memcpy(command.header.Cdb, cdb, sizeof cdb);
    PassThroughRequest request;
    win::DWORD count = 0;
    if (request.Parse(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &command, sizeof command, &command,
                      sizeof command) == win::ERROR_SUCCESS &&
        SendSgIoTo(layer_, sysfsRoot_, devRoot_, host_, unit.path, unit.target, unit.lun, request, &count) ==
            win::ERROR_SUCCESS &&
        command.header.ScsiStatus == 0 && command.header.DataTransferLength >= 8)
      inquiry.inquiry = answered;
    inquiries.push_back(inquiry);
  }
  return WriteScsiInquiryData(std::move(inquiries), out, outLength, returned);
}

std::shared_ptr<LinuxOpticalDrive> LinuxOpticalDrive::Open(unsigned index, win::DWORD& error,
                                                           LinuxIoctlLayer& layer, const std::string& devRoot,
                                                           bool forWriting) {
  const std::string node = devRoot + "/sr" + std::to_string(index);
  int fd = forWriting ? layer.Open(node, O_RDWR | O_NONBLOCK) : -1;
  if (fd < 0) fd = layer.Open(node, O_RDONLY | O_NONBLOCK);
  if (fd < 0) {
    error = WindowsErrorFromErrno(errno);
    return nullptr;
  }
  error = win::ERROR_SUCCESS;
  return std::make_shared<LinuxOpticalDrive>(fd, layer);
}

LinuxOpticalDrive::~LinuxOpticalDrive() {
  layer_.Close(fd_);
}

win::DWORD LinuxOpticalDrive::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                      win::DWORD outLength, win::DWORD* returned) {
  if (code == win::IOCTL_STORAGE_EJECT_MEDIA)
    return layer_.Ioctl(fd_, CDROMEJECT, nullptr) < 0 ? WindowsErrorFromErrno(errno) : win::ERROR_SUCCESS;
  bool handled = false;
  const win::DWORD media =
      LinuxMediaRequest(layer_, fd_, true, true, code, out, outLength, returned, handled);
  if (handled) return media;
  const win::DWORD ata = SatRequest(LinuxSatTransport([this](PassThroughRequest& request, win::DWORD* count) {
                                      return SendSgIo(layer_, fd_, request, count);
                                    }),
                                    code, in, inLength, out, outLength, returned, handled);
  if (handled) return ata;
  if (code == win::IOCTL_SCSI_GET_ADDRESS && address_) {
    if (out == nullptr || outLength < sizeof *address_) return win::ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(out, &*address_, sizeof *address_);
    *returned = sizeof *address_;
    return win::ERROR_SUCCESS;
  }
  if (code != win::IOCTL_SCSI_PASS_THROUGH && code != win::IOCTL_SCSI_PASS_THROUGH_DIRECT)
    return win::ERROR_INVALID_FUNCTION;
  PassThroughRequest request;
  if (const win::DWORD error = request.Parse(code, in, inLength, out, outLength)) return error;
  return SendSgIo(layer_, fd_, request, returned);
}

}  // namespace os
