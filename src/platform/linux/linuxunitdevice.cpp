#include "platform/linux/linuxunitdevice.h"

#include "platform/linux/linuxownport.h"
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
  if (code != win::IOCTL_SCSI_PASS_THROUGH && code != win::IOCTL_SCSI_PASS_THROUGH_DIRECT)
    return win::ERROR_INVALID_FUNCTION;
  PassThroughRequest request;
  if (const win::DWORD error = request.Parse(code, in, inLength, out, outLength)) return error;
  if (disk_ != nullptr) return disk_->Execute(request, returned);
  return SendSgIoTo(layer_, sysfsRoot_, devRoot_, unit_.linuxHost, unit_.path, unit_.target, unit_.lun,
                    request, returned);
}

}  // namespace os
