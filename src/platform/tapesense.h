#pragma once

// What a tape driver makes of a SCSI command's outcome: the Windows tape error for the status and
// fixed-format sense data of a sequential-access device.

#include <cstddef>
#include <cstdint>

#include "platform/winapi.h"

namespace os {

// ERROR_SUCCESS for GOOD (and for recovered errors); otherwise the tape error the sense stands for:
// a filemark, setmark or the end of the medium met, blank medium, no medium, a write-protected medium,
// a changed medium, a bus reset, a cleaning request, a command the drive does not know.
win::DWORD TapeErrorOfSense(std::uint8_t status, const std::uint8_t* sense, std::size_t length);

}  // namespace os
