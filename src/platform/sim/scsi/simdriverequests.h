#pragma once

// The disk driver's requests on a drive path of a simulated unit (\\.\PhysicalDriveN, \\.\CdRomN,
// \\.\FloppyN), as Windows' class drivers answer them: the SMART requests and the IDE pass-through
// (to the unit's ATA side; a unit without one refuses them), the SCSI miniport's SMART log write,
// the removable-media requests (carried out with the unit's own SCSI commands), the geometry, track
// formatting of a diskette and the volume lock.

#include "platform/winapi.h"

namespace os {

class SimScsiUnit;

// ERROR_SUCCESS or the request's error; `handled` is false for a code that is none of these.
win::DWORD SimDriveRequest(SimScsiUnit& unit, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                           win::DWORD outLength, win::DWORD* returned, bool& handled);

// One SCSI command to the unit from the driver itself (readiness, capacity, a block transfer).
win::DWORD SimDriveCommand(SimScsiUnit& unit, const std::uint8_t* cdb, std::size_t cdbLength, bool dataIn,
                           std::uint8_t* data, std::size_t length, std::size_t* transferred);

}  // namespace os
