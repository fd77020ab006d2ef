#pragma once

// The array-controller miniport requests of \\.\SCSIn: on Linux (IOCTL_SCSI_MINIPORT; the layouts are
// src/controllers/arraylayouts.h). A SCSI host is a CISS controller's port when its driver takes the
// kernel's CISS ioctls (linux/cciss_ioctl.h): CCISS_GETPCIINFO answers on a SCSI device node of the
// host, the controller's own (peripheral type 0Ch) when it shows one, else its first device's. Then:
//   - the controller queries (signature "CSMIALL" or "ZBRCSMI") answer from sysfs: configuration with
//     class 4, bus type PCI and the host's PCI bus, device and function; status; driver information
//     with the host's driver name (proc_name);
//   - a CISS request ("ZBRCISS", code 2) is one CCISS_PASSTHRU (CCISS_BIG_PASSTHRU when its data is
//     above 65535 bytes) on that node: LUN address, CDB, timeout and data go in; direction 1 (data in)
//     is the kernel's XFER_READ, 2 (data out) XFER_WRITE, anything else XFER_NONE; the kernel's
//     48-byte error information is the request's returned fields (SCSI status to sense data);
//   - any other request answers return code 3 (invalid parameter), an unknown code 2.
// Every other host answers ERROR_NOT_SUPPORTED, as a port without a miniport of this kind: Linux has no
// BMIC-only controllers. A failing ioctl is the Windows error of its errno.

#include <optional>
#include <string>

#include "platform/linux/linuxioctllayer.h"
#include "platform/winapi.h"

namespace os {

class LinuxCissMiniport {
 public:
  // The miniport of SCSI host `linuxHost` (the kernel's number). The host is looked up in sysfs once,
  // on the first request, and kept.
  LinuxCissMiniport(LinuxIoctlLayer& layer, std::string sysfsRoot, std::string devRoot, unsigned linuxHost)
      : layer_(layer),
        sysfsRoot_(std::move(sysfsRoot)),
        devRoot_(std::move(devRoot)),
        linuxHost_(linuxHost) {}

  // One IOCTL_SCSI_MINIPORT request, `buffer` both in and out.
  win::DWORD Request(void* buffer, win::DWORD length);

 private:
  struct Host {
    std::string node;  // the /dev node name ("sg3")
    std::string driver;
    std::string pciFunction;  // "0000:05:00.0"
  };
  // The host as a CISS controller, whose node answers CCISS_GETPCIINFO; null when it is none.
  const Host* Locate();
  std::uint32_t Query(const Host& host, std::uint32_t code, std::uint8_t* body, std::size_t size) const;
  win::DWORD Passthrough(const Host& host, std::uint8_t* request, std::size_t length);

  LinuxIoctlLayer& layer_;
  std::string sysfsRoot_;
  std::string devRoot_;
  unsigned linuxHost_;
  bool looked_ = false;
  std::optional<Host> host_;
};

}  // namespace os
