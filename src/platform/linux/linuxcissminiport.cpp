#include "platform/linux/linuxcissminiport.h"

#include <errno.h>
#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "controllers/arraylayouts.h"
#include "platform/linux/linuxplatform.h"
#include "platform/linux/linuxscsiport.h"
#include "platform/linux/linuxstoragemap.h"

// Last: the kernel's CISS header defines BYTE, WORD, HWORD and DWORD as macros, which would rename
// the Windows types of the headers above.
#include <linux/cciss_ioctl.h>
#undef BYTE
#undef WORD
#undef HWORD
#undef DWORD

namespace os {

namespace layout = rb::arraylayout;

namespace {

// The kernel's command block, filled from the request: the fields are the same in both ioctls.
template <class Command>
void Fill(Command& command, const std::uint8_t* request, std::uint8_t* data, std::size_t length) {
  namespace c = layout::ciss;
  std::memcpy(&command.LUN_info, request + c::kLun, 8);
  command.Request.CDBLen = std::min<std::uint8_t>(request[c::kCdbLength], 16);
  command.Request.Type.Type = TYPE_CMD;
  command.Request.Type.Attribute = ATTR_SIMPLE;
  const std::uint32_t direction = layout::Get32(request, c::kDirection);
  command.Request.Type.Direction = length == 0                         ? XFER_NONE
                                   : direction == layout::kCissDataIn  ? XFER_READ
                                   : direction == layout::kCissDataOut ? XFER_WRITE
                                                                       : XFER_NONE;
  command.Request.Timeout = layout::Get16(request, c::kTimeout);
  std::memcpy(command.Request.CDB, request + c::kCdb, 16);
  command.buf = length > 0 ? data : nullptr;
}

}  // namespace

const LinuxCissMiniport::Host* LinuxCissMiniport::Locate() {
  if (looked_) return host_ ? &*host_ : nullptr;
  looked_ = true;
  const LinuxStorageMap map = LinuxStorageMap::Scan(sysfsRoot_);
  const LinuxStorageUnit* chosen = nullptr;
  for (const LinuxStorageUnit& unit : map.Units()) {
    if (unit.attachment == LinuxAttachment::kOwnPort || unit.linuxHost != linuxHost_) continue;
    if (chosen == nullptr || (unit.scsiType == 0x0C && chosen->scsiType != 0x0C)) chosen = &unit;
  }
  if (chosen == nullptr) return nullptr;
  Host host;
  host.node = LinuxScsiPort::GenericNode(sysfsRoot_, linuxHost_, chosen->path, chosen->target, chosen->lun);
  if (host.node.empty()) return nullptr;
  for (const LinuxScsiHost& entry : map.Hosts())
    if (entry.attachment != LinuxAttachment::kOwnPort && entry.linuxHost == linuxHost_) {
      host.driver = entry.driver;
      host.pciFunction = entry.pciFunction;
    }
  const int fd = layer_.Open(devRoot_ + "/" + host.node, O_RDWR | O_NONBLOCK);
  if (fd < 0) return nullptr;
  cciss_pci_info_struct info{};
  const bool ciss = layer_.Ioctl(fd, CCISS_GETPCIINFO, &info) == 0;
  layer_.Close(fd);
  if (ciss) host_ = std::move(host);
  return host_ ? &*host_ : nullptr;
}

win::DWORD LinuxCissMiniport::Request(void* buffer, win::DWORD length) {
  const Host* host = Locate();
  if (host == nullptr) return win::ERROR_NOT_SUPPORTED;
  auto* request = static_cast<std::uint8_t*>(buffer);
  if (!layout::WellFramed(request, length)) return win::ERROR_INVALID_PARAMETER;
  const std::uint32_t code = layout::Get32(request, layout::header::kControlCode);
  std::uint32_t result = layout::kReturnSuccess;
  win::DWORD error = win::ERROR_SUCCESS;
  if (layout::HasSignature(request, layout::DriverKind::kQueryBmic) ||
      layout::HasSignature(request, layout::DriverKind::kQueryCiss)) {
    result = Query(*host, code, request + layout::kHeaderSize, length - layout::kHeaderSize);
  } else if (layout::HasSignature(request, layout::DriverKind::kCiss)) {
    if (code != layout::kCissControlCode)
      result = layout::kReturnBadControlCode;
    else if (length < layout::kCissRequestSize)
      error = win::ERROR_INVALID_PARAMETER;
    else
      error = Passthrough(*host, request, length);
  } else {
    result = layout::kReturnInvalidParameter;
  }
  if (error == win::ERROR_SUCCESS) layout::Put32(request, layout::header::kReturnCode, result);
  return error;
}

std::uint32_t LinuxCissMiniport::Query(const Host& host, std::uint32_t code, std::uint8_t* body,
                                       std::size_t size) const {
  const std::size_t wanted = layout::QuerySize(code);
  if (wanted == 0) return layout::kReturnBadControlCode;
  if (size + layout::kHeaderSize < wanted) return layout::kReturnInvalidParameter;
  std::memset(body, 0, size);
  if (code == layout::kQueryConfig) {
    body[layout::config::kClass] = layout::kClassCiss;
    unsigned domain = 0, bus = 0, device = 0, function = 0;
    if (std::sscanf(host.pciFunction.c_str(), "%x:%x:%x.%x", &domain, &bus, &device, &function) == 4) {
      body[layout::config::kBusType] = layout::kBusTypePci;
      body[layout::config::kPciBus] = static_cast<std::uint8_t>(bus);
      body[layout::config::kPciDevice] = static_cast<std::uint8_t>(device);
      body[layout::config::kPciFunction] = static_cast<std::uint8_t>(function);
    }
  } else if (code == layout::kQueryStatus) {
    body[0] = 1;  // the driver answers
  } else {
    std::memcpy(body + layout::kDriverInfoName, host.driver.data(),
                std::min(host.driver.size(), layout::kDriverInfoNameSize - 1));
  }
  return layout::kReturnSuccess;
}

win::DWORD LinuxCissMiniport::Passthrough(const Host& host, std::uint8_t* request, std::size_t length) {
  const int fd = layer_.Open(devRoot_ + "/" + host.node, O_RDWR | O_NONBLOCK);
  if (fd < 0) return WindowsErrorFromErrno(errno);
  std::uint8_t* data = request + layout::ciss::kData;
  const std::size_t dataLength = length - layout::kCissRequestSize;
  ErrorInfo_struct errorInfo{};
  int status = 0;
  // The small ioctl carries a 16-bit length; the big one takes the rest in pieces of at most 64 KiB.
  if (dataLength <= 0xFFFF) {
    IOCTL_Command_struct command{};
    Fill(command, request, data, dataLength);
    command.buf_size = static_cast<std::uint16_t>(dataLength);
    status = layer_.Ioctl(fd, CCISS_PASSTHRU, &command);
    errorInfo = command.error_info;
  } else {
    BIG_IOCTL_Command_struct command{};
    Fill(command, request, data, dataLength);
    command.malloc_size = 0x10000;
    command.buf_size = static_cast<std::uint32_t>(dataLength);
    status = layer_.Ioctl(fd, CCISS_BIG_PASSTHRU, &command);
    errorInfo = command.error_info;
  }
  const int ioctlErrno = errno;
  layer_.Close(fd);
  if (status < 0) return WindowsErrorFromErrno(ioctlErrno);
  static_assert(sizeof errorInfo == 48);
  std::memcpy(request + layout::ciss::kScsiStatus, &errorInfo, sizeof errorInfo);
  return win::ERROR_SUCCESS;
}

}  // namespace os
