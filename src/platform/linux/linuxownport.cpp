#include "platform/linux/linuxownport.h"

#include <cstring>

#include "platform/passthroughrequest.h"
#include "platform/scsiinquirydata.h"

namespace os {

win::DWORD WriteScsiAddress(const LinuxStorageUnit& unit, void* out, win::DWORD outLength,
                            win::DWORD* returned) {
  if (out == nullptr || outLength < sizeof(win::ScsiAddress)) return win::ERROR_INSUFFICIENT_BUFFER;
  const win::ScsiAddress address{sizeof(win::ScsiAddress), unit.port, unit.path, unit.target, unit.lun};
  std::memcpy(out, &address, sizeof address);
  *returned = sizeof address;
  return win::ERROR_SUCCESS;
}

LinuxOwnPort::LinuxOwnPort(const LinuxStorageMap& map, LinuxIoctlLayer& layer, std::string devRoot)
    : layer_(layer), devRoot_(std::move(devRoot)) {
  for (const LinuxStorageUnit& unit : map.Units())
    if (unit.attachment == LinuxAttachment::kOwnPort) units_.push_back(unit);
}

win::DWORD LinuxOwnPort::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                 win::DWORD outLength, win::DWORD* returned) {
  if (code == win::IOCTL_SCSI_MINIPORT) return win::ERROR_NOT_SUPPORTED;
  if (code == win::IOCTL_SCSI_GET_INQUIRY_DATA) {
    std::vector<ScsiUnitInquiry> inquiries;
    for (const LinuxStorageUnit& unit : units_) {
      ScsiUnitInquiry inquiry{unit.path, unit.target, unit.lun, unit.claimed, {}};
      inquiry.inquiry = StandardInquiryOf(unit);
      inquiries.push_back(inquiry);
    }
    return WriteScsiInquiryData(std::move(inquiries), out, outLength, returned);
  }
  if (code != win::IOCTL_SCSI_PASS_THROUGH && code != win::IOCTL_SCSI_PASS_THROUGH_DIRECT)
    return win::ERROR_INVALID_FUNCTION;
  PassThroughRequest request;
  if (const win::DWORD error = request.Parse(code, in, inLength, out, outLength)) return error;
  LinuxBlockDisk* disk = nullptr;
  {
    std::lock_guard guard(mutex_);
    for (const LinuxStorageUnit& unit : units_) {
      if (unit.path != request.path || unit.target != request.target || unit.lun != request.lun) continue;
      auto& slot = disks_[unit.target];
      if (slot == nullptr)
        slot = std::make_unique<LinuxBlockDisk>(unit, devRoot_ + "/" + unit.node, layer_, devRoot_);
      disk = slot.get();
    }
  }
  // No disk at the address: the port's answer is a selection timeout.
  if (disk == nullptr) return win::ERROR_SEM_TIMEOUT;
  return disk->Execute(request, returned);
}

}  // namespace os
