#include "platform/tapesense.h"

#include "platform/wintape.h"

namespace os {

win::DWORD TapeErrorOfSense(std::uint8_t status, const std::uint8_t* sense, std::size_t length) {
  constexpr std::uint8_t kCheckCondition = 0x02;
  if (status == 0) return win::ERROR_SUCCESS;
  if (status != kCheckCondition) return status == 0x08 ? win::ERROR_BUSY : win::ERROR_IO_DEVICE;
  if (sense == nullptr || length < 3) return win::ERROR_IO_DEVICE;
  const std::uint8_t flags = sense[2];
  const std::uint8_t key = flags & 0x0F;
  const std::uint8_t asc = length > 12 ? sense[12] : 0;
  const std::uint8_t ascq = length > 13 ? sense[13] : 0;
  const bool filemark = (flags & 0x80) != 0;
  const bool endOfMedium = (flags & 0x40) != 0;
  const bool badLength = (flags & 0x20) != 0;
  switch (key) {
    case 0x0:  // NO SENSE: the flags and the additional sense say what the command met
      if (asc == 0x00 && ascq == 0x17) return win::ERROR_DEVICE_REQUIRES_CLEANING;
      if (asc == 0x00 && ascq == 0x03) return win::ERROR_SETMARK_DETECTED;
      if (asc == 0x00 && ascq == 0x04) return win::ERROR_BEGINNING_OF_MEDIA;
      if (filemark) return win::ERROR_FILEMARK_DETECTED;
      if (endOfMedium) return win::ERROR_END_OF_MEDIA;
      if (badLength) return win::ERROR_INVALID_BLOCK_LENGTH;
      return win::ERROR_IO_DEVICE;
    case 0x1:  // RECOVERED ERROR
      return win::ERROR_SUCCESS;
    case 0x2:  // NOT READY
      if (asc == 0x3A) return win::ERROR_NO_MEDIA_IN_DRIVE;
      if (asc == 0x30 && ascq == 0x03) return win::ERROR_DEVICE_REQUIRES_CLEANING;
      return win::ERROR_NOT_READY;
    case 0x5:  // ILLEGAL REQUEST: a command or field the drive does not support
      return win::ERROR_NOT_SUPPORTED;
    case 0x6:  // UNIT ATTENTION
      return asc == 0x29 ? win::ERROR_BUS_RESET : win::ERROR_MEDIA_CHANGED;
    case 0x7:  // DATA PROTECT
      return win::ERROR_WRITE_PROTECT;
    case 0x8:  // BLANK CHECK: the end of the recorded data
      return win::ERROR_NO_DATA_DETECTED;
    case 0xD:  // VOLUME OVERFLOW
      return win::ERROR_END_OF_MEDIA;
    default:
      if (endOfMedium) return win::ERROR_END_OF_MEDIA;
      return win::ERROR_IO_DEVICE;
  }
}

}  // namespace os
