#include "platform/passthroughrequest.h"

#include <algorithm>
#include <cstring>

namespace os {

namespace {

bool Fits(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset <= size && length <= size - offset;
}

}  // namespace

win::DWORD PassThroughRequest::Parse(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                     win::DWORD outLength) {
  // Both headers have the same members at the same offsets but for the data address.
  static_assert(sizeof(win::ScsiPassThrough) == sizeof(win::ScsiPassThroughDirect));
  if (in == nullptr || out == nullptr || inLength < sizeof(win::ScsiPassThroughDirect) ||
      outLength < sizeof(win::ScsiPassThroughDirect) || inLength > outLength)
    return win::ERROR_INVALID_PARAMETER;
  if (in != out) std::memmove(out, in, inLength);
  answer_ = static_cast<std::uint8_t*>(out);
  answerLength_ = outLength;
  win::ScsiPassThroughDirect header;
  std::memcpy(&header, answer_, sizeof header);
  if (header.Length != sizeof header || header.CdbLength == 0 || header.CdbLength > sizeof header.Cdb)
    return win::ERROR_INVALID_PARAMETER;
  if (header.SenseInfoLength > 0 && !Fits(header.SenseInfoOffset, header.SenseInfoLength, outLength))
    return win::ERROR_INVALID_PARAMETER;
  path = header.PathId;
  target = header.TargetId;
  lun = header.Lun;
  cdbLength = header.CdbLength;
  std::memcpy(cdb, header.Cdb, cdbLength);
  dataIn = header.DataIn;
  length = header.DataTransferLength;
  timeoutSeconds = header.TimeOutValue;
  senseOffset_ = header.SenseInfoOffset;
  senseLength = header.SenseInfoLength;
  if (code == win::IOCTL_SCSI_PASS_THROUGH_DIRECT) {
    data = static_cast<std::uint8_t*>(header.DataBuffer);
    if (data == nullptr && length > 0) return win::ERROR_INVALID_PARAMETER;
  } else {
    win::ScsiPassThrough buffered;
    std::memcpy(&buffered, answer_, sizeof buffered);
    if (length > 0 && !Fits(buffered.DataBufferOffset, length, outLength))
      return win::ERROR_INVALID_PARAMETER;
    data = length > 0 ? answer_ + buffered.DataBufferOffset : nullptr;
  }
  return win::ERROR_SUCCESS;
}

void PassThroughRequest::Complete(std::uint8_t status, const std::uint8_t* sense, std::uint32_t senseLength,
                                  std::uint32_t transferred, win::DWORD* returned) {
  win::ScsiPassThroughDirect header;
  std::memcpy(&header, answer_, sizeof header);
  header.ScsiStatus = status;
  const std::uint32_t senseBytes = std::min<std::uint32_t>(sense != nullptr ? senseLength : 0, senseLength);
  if (senseBytes > 0) std::memcpy(answer_ + senseOffset_, sense, senseBytes);
  header.SenseInfoLength = static_cast<std::uint8_t>(senseBytes);
  header.DataTransferLength = std::min(transferred, length);
  std::memcpy(answer_, &header, sizeof header);
  if (returned != nullptr) *returned = answerLength_;
}

}  // namespace os
