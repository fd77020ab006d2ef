#pragma once

// The texts of a SCSI command's outcome that failure messages carry: the status byte's name, the
// decoded fixed-format sense data of a CHECK CONDITION, and the CDB and sense bytes.

#include <cstddef>
#include <cstdint>
#include <string>

namespace rb {

// SCSI status bytes.
inline constexpr std::uint8_t kScsiGood = 0x00;
inline constexpr std::uint8_t kScsiCheckCondition = 0x02;
inline constexpr std::uint8_t kScsiConditionMet = 0x04;
inline constexpr std::uint8_t kScsiBusy = 0x08;
inline constexpr std::uint8_t kScsiReservationConflict = 0x18;
inline constexpr std::uint8_t kScsiTaskSetFull = 0x28;

// Sense keys.
inline constexpr std::uint8_t kSenseNoSense = 0x0;
inline constexpr std::uint8_t kSenseRecoveredError = 0x1;
inline constexpr std::uint8_t kSenseNotReady = 0x2;
inline constexpr std::uint8_t kSenseMediumError = 0x3;
inline constexpr std::uint8_t kSenseHardwareError = 0x4;
inline constexpr std::uint8_t kSenseIllegalRequest = 0x5;
inline constexpr std::uint8_t kSenseUnitAttention = 0x6;

// The size of the sense area a device keeps, and of the part the failure text shows.
inline constexpr std::size_t kSenseAreaSize = 256;
inline constexpr std::size_t kSenseShownBytes = 18;

// The sense key of fixed- or descriptor-format sense data (0 when there is too little of it).
std::uint8_t SenseKey(const std::uint8_t* sense, std::size_t length);

// The text of fixed-format sense data (at least kSenseShownBytes bytes): the sense key's name, the
// sense-key-specific field when there is one, and the additional sense code's text, ending in "\n".
// Shorter data is read as if padded with zeros.
std::string SenseText(const std::uint8_t* sense, std::size_t length);

// The failure text of a command: the status name ("Check Condition: " and the sense text for a
// CHECK CONDITION), then the CDB line and the sense line.
std::string ScsiStatusText(std::uint8_t status, const std::uint8_t* cdb, std::size_t cdbLength,
                           const std::uint8_t* sense, std::size_t senseLength);

}  // namespace rb
