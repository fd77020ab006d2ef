#pragma once

// The drive information of GetTapeParameters (GET_TAPE_DRIVE_INFORMATION) as a tape driver makes it
// from the drive's own answers: the block limits of READ BLOCK LIMITS, the current block size and write
// protection of MODE SENSE's header and block descriptor, and data compression from the data
// compression mode page (0Fh). The features are those of the sequential-access command set every
// drive has (space, locate, rewind, filemarks, erase, load and unload, fixed and variable blocks);
// compression only when the drive has the page.

#include <cstddef>
#include <cstdint>

#include "platform/satrequests.h"
#include "platform/wintape.h"

namespace os {

inline constexpr std::uint8_t kReadBlockLimitsCdb[6] = {0x05, 0, 0, 0, 0, 0};
// MODE SENSE(6) of the data compression page with the block descriptor; 64 bytes allocated.
inline constexpr std::uint8_t kTapeModeSenseCdb[6] = {0x1A, 0, 0x0F, 0, 64, 0};

// The drive information from the data of both commands; `modeSense` null when the drive refused it.
win::TapeGetDriveParameters TapeDriveInformation(const std::uint8_t (&blockLimits)[6],
                                                 const std::uint8_t* modeSense, std::size_t modeLength);

// GetTapeParameters through `send`: READ BLOCK LIMITS (whose failure fails the call with the tape
// error of its sense), then MODE SENSE. GET_TAPE_MEDIA_INFORMATION answers ERROR_NOT_SUPPORTED; a
// buffer smaller than the drive information ERROR_MORE_DATA.
win::DWORD ReadTapeParameters(const SatTransport& send, win::DWORD operation, win::DWORD* size,
                              void* information);

}  // namespace os
