#include "platform/linux/linuxsat.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace os {

SatTransport LinuxSatTransport(std::function<win::DWORD(PassThroughRequest&, win::DWORD*)> carry) {
  return [carry = std::move(carry)](const std::uint8_t* cdb, std::size_t cdbLength, bool dataIn,
                                    std::uint8_t* data, std::uint32_t length, std::uint8_t* status,
                                    std::uint8_t* sense, std::size_t senseLength) -> win::DWORD {
    win::ScsiPassThroughDirectWithSense command{};
    command.header.Length = sizeof command.header;
    command.header.CdbLength = static_cast<std::uint8_t>(cdbLength);
    command.header.SenseInfoLength = sizeof command.sense;
    command.header.DataIn = length == 0 ? win::SCSI_IOCTL_DATA_UNSPECIFIED
                            : dataIn    ? win::SCSI_IOCTL_DATA_IN
                                        : win::SCSI_IOCTL_DATA_OUT;
    command.header.DataTransferLength = length;
    command.header.TimeOutValue = 30;
    command.header.DataBuffer = data;
    command.header.SenseInfoOffset = offsetof(win::ScsiPassThroughDirectWithSense, sense);
    std::memcpy(command.header.Cdb, cdb, std::min<std::size_t>(cdbLength, sizeof command.header.Cdb));
    PassThroughRequest request;
    win::DWORD returned = 0;
    win::DWORD error = request.Parse(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &command, sizeof command, &command,
                                     sizeof command);
    if (error == win::ERROR_SUCCESS) error = carry(request, &returned);
    if (error != win::ERROR_SUCCESS) return error;
    *status = command.header.ScsiStatus;
    std::memcpy(sense, command.sense, std::min<std::size_t>(senseLength, sizeof command.sense));
    return win::ERROR_SUCCESS;
  };
}

}  // namespace os
