#pragma once

// The system's device for a tape drive found at a SCSI address.

#include <cstdint>
#include <string>

namespace rb {

class DiscoveryContext;

// "\\.\" and the name the system gives the tape at the address ("\\.\Tape0"); when it names none, the
// name it would give the tape of that number, counted from 1 in the run: the system counts its tapes
// from 0.
std::string TapeDeviceFile(DiscoveryContext& context, std::uint32_t port, std::uint8_t path,
                           std::uint8_t target, std::uint8_t lun, std::int32_t tapeNumber);

}  // namespace rb
