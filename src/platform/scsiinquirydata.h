#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/winapi.h"

namespace os {

// One unit a SCSI port found, as IOCTL_SCSI_GET_INQUIRY_DATA lists it: its address, whether a class
// driver claimed it, and the first 36 bytes of its standard INQUIRY data.
struct ScsiUnitInquiry {
  std::uint8_t path = 0;
  std::uint8_t target = 0;
  std::uint8_t lun = 0;
  bool claimed = false;
  std::array<std::uint8_t, 36> inquiry{};
};

// Writes the answer of IOCTL_SCSI_GET_INQUIRY_DATA (SCSI_ADAPTER_BUS_INFO, then per bus its chain of
// SCSI_INQUIRY_DATA records) for the units, as a port driver does: one bus per path up to the highest
// path, records 8-byte aligned in the units' order. Answers ERROR_SUCCESS with `returned` set, or
// ERROR_INSUFFICIENT_BUFFER, with nothing written, when the answer does not fit in `size` bytes.
win::DWORD WriteScsiInquiryData(std::vector<ScsiUnitInquiry> units, void* out, win::DWORD size,
                                win::DWORD* returned);

// Reads such an answer back; records that point outside the answer, or back into what was read, end
// their bus's chain.
std::vector<ScsiUnitInquiry> ReadScsiInquiryData(const void* answer, win::DWORD size);

}  // namespace os
