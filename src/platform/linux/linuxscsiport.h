#pragma once

// SCSI pass-through on Linux. \\.\SCSIn: is a SCSI host h, port n of the storage map (the hosts
// numbered without gaps, see linuxstoragemap.h): IOCTL_SCSI_PASS_THROUGH_DIRECT and
// IOCTL_SCSI_PASS_THROUGH to (path, target, LUN) become SG_IO on the /dev/sg node whose sysfs
// address is h:path:target:lun (the scsi_generic entry of /sys/bus/scsi/devices/n:path:target:lun,
// never the order of the /dev names). \\.\CDROMn is /dev/srn, which takes SG_IO itself and ejects with
// CDROMEJECT. IOCTL_SCSI_MINIPORT is a CISS array controller's request on a host whose driver takes the
// kernel's CISS ioctls (linuxcissminiport.h), ERROR_NOT_SUPPORTED on any other: Linux has no CSMI.
// IOCTL_SCSI_GET_INQUIRY_DATA lists the host's SCSI devices from sysfs, each with the INQUIRY data it
// answers through SG_IO (the data the kernel keeps in sysfs when it does not answer).
//
// Mapping: DataIn 1 is SG_DXFER_FROM_DEV, any other value with data SG_DXFER_TO_DEV, no data
// SG_DXFER_NONE; the timeout goes from seconds to milliseconds; the sense buffer is the request's
// (SenseInfoLength bytes at most) and SenseInfoLength comes back as the count the kernel wrote;
// DataTransferLength comes back less the residual. A CHECK CONDITION is a status byte with its sense.
// A transport failure is the error Windows gives: no device or a timeout at the host or driver
// ERROR_SEM_TIMEOUT, a busy bus ERROR_BUSY, any other ERROR_IO_DEVICE. Opening a node: a missing node
// ERROR_FILE_NOT_FOUND, EACCES ERROR_ACCESS_DENIED, EBUSY ERROR_SHARING_VIOLATION.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/devicehandle.h"
#include "platform/linux/linuxcissminiport.h"
#include "platform/linux/linuxioctllayer.h"

namespace os {

struct PassThroughRequest;

class LinuxScsiPort : public DeviceHandle {
 public:
  static constexpr const char* kSysfsRoot = "/sys";

  // The port of SCSI host `host`; null with ERROR_FILE_NOT_FOUND when the host does not exist.
  static std::shared_ptr<LinuxScsiPort> Open(unsigned host, win::DWORD& error, LinuxIoctlLayer& layer,
                                             const std::string& sysfsRoot = kSysfsRoot,
                                             const std::string& devRoot = "/dev");

  LinuxScsiPort(unsigned host, LinuxIoctlLayer& layer, std::string sysfsRoot, std::string devRoot)
      : host_(host),
        layer_(layer),
        sysfsRoot_(std::move(sysfsRoot)),
        devRoot_(std::move(devRoot)),
        ciss_(layer, sysfsRoot_, devRoot_, host) {}

  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;

  // The /dev/sg node name ("sg3") of an address, from sysfs; empty when there is none.
  static std::string GenericNode(const std::string& sysfsRoot, unsigned host, unsigned channel,
                                 unsigned target, unsigned lun);

 private:
  win::DWORD WriteInquiryData(void* out, win::DWORD outLength, win::DWORD* returned);

  unsigned host_;
  LinuxIoctlLayer& layer_;
  std::string sysfsRoot_;
  std::string devRoot_;
  LinuxCissMiniport ciss_;
};

// \\.\CDROMn on /dev/srn; it answers IOCTL_SCSI_GET_ADDRESS once it is told its address. Opened for
// writing it is opened read-write where the system allows, since the kernel lets only such a descriptor
// send the commands that change a disc (MODE SELECT, WRITE); without a disc that needs O_NONBLOCK, which
// every open uses.
class LinuxOpticalDrive : public DeviceHandle {
 public:
  void SetAddress(const win::ScsiAddress& address) { address_ = address; }

  static std::shared_ptr<LinuxOpticalDrive> Open(unsigned index, win::DWORD& error, LinuxIoctlLayer& layer,
                                                 const std::string& devRoot = "/dev",
                                                 bool forWriting = false);
  LinuxOpticalDrive(int fd, LinuxIoctlLayer& layer) : fd_(fd), layer_(layer) {}
  ~LinuxOpticalDrive() override;
  LinuxOpticalDrive(const LinuxOpticalDrive&) = delete;
  LinuxOpticalDrive& operator=(const LinuxOpticalDrive&) = delete;

  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;

 private:
  int fd_;
  LinuxIoctlLayer& layer_;
  std::optional<win::ScsiAddress> address_;
};

// One pass-through request as SG_IO on an open node.
win::DWORD SendSgIo(LinuxIoctlLayer& layer, int fd, PassThroughRequest& request, win::DWORD* returned);

// One pass-through request as SG_IO on the generic node of host:channel:target:lun; a selection
// timeout when the address has none.
win::DWORD SendSgIoTo(LinuxIoctlLayer& layer, const std::string& sysfsRoot, const std::string& devRoot,
                      unsigned host, unsigned channel, unsigned target, unsigned lun,
                      PassThroughRequest& request, win::DWORD* returned);

}  // namespace os
