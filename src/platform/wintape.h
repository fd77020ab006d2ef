#pragma once

// The Windows tape functions' constants, errors and the drive information (TAPE_GET_DRIVE_PARAMETERS),
// as the component uses them on every backend. The layout is that of 64-bit Windows; win32layouts.cpp
// proves it equal to the Windows headers'.

#include <cstddef>
#include <cstdint>

#include "platform/winapi.h"
#include "platform/winstorage.h"

namespace win {

// The errors the tape functions, ReadFile and WriteFile answer for a tape (with ERROR_MEDIA_CHANGED and
// ERROR_NO_MEDIA_IN_DRIVE of winstorage.h).
inline constexpr DWORD ERROR_END_OF_MEDIA = 1100;
inline constexpr DWORD ERROR_FILEMARK_DETECTED = 1101;
inline constexpr DWORD ERROR_BEGINNING_OF_MEDIA = 1102;
inline constexpr DWORD ERROR_SETMARK_DETECTED = 1103;
inline constexpr DWORD ERROR_NO_DATA_DETECTED = 1104;
inline constexpr DWORD ERROR_PARTITION_FAILURE = 1105;
inline constexpr DWORD ERROR_INVALID_BLOCK_LENGTH = 1106;
inline constexpr DWORD ERROR_DEVICE_NOT_PARTITIONED = 1107;
inline constexpr DWORD ERROR_UNABLE_TO_LOCK_MEDIA = 1108;
inline constexpr DWORD ERROR_UNABLE_TO_UNLOAD_MEDIA = 1109;
inline constexpr DWORD ERROR_BUS_RESET = 1111;
inline constexpr DWORD ERROR_DEVICE_REQUIRES_CLEANING = 1165;

// GetTapeParameters operations.
inline constexpr DWORD GET_TAPE_MEDIA_INFORMATION = 0;
inline constexpr DWORD GET_TAPE_DRIVE_INFORMATION = 1;

// SetTapePosition methods.
inline constexpr DWORD TAPE_REWIND = 0;
inline constexpr DWORD TAPE_ABSOLUTE_BLOCK = 1;
inline constexpr DWORD TAPE_LOGICAL_BLOCK = 2;
inline constexpr DWORD TAPE_SPACE_END_OF_DATA = 4;
inline constexpr DWORD TAPE_SPACE_RELATIVE_BLOCKS = 5;
inline constexpr DWORD TAPE_SPACE_FILEMARKS = 6;

// WriteTapemark types.
inline constexpr DWORD TAPE_SETMARKS = 0;
inline constexpr DWORD TAPE_FILEMARKS = 1;
inline constexpr DWORD TAPE_SHORT_FILEMARKS = 2;
inline constexpr DWORD TAPE_LONG_FILEMARKS = 3;

// Feature flags of the drive information. The low word's flags are used as they are; a flag of the
// high word carries TAPE_DRIVE_HIGH_FEATURES, which the drive information's FeaturesHigh leaves out.
inline constexpr DWORD TAPE_DRIVE_FIXED = 0x00000001;
inline constexpr DWORD TAPE_DRIVE_SELECT = 0x00000002;
inline constexpr DWORD TAPE_DRIVE_INITIATOR = 0x00000004;
inline constexpr DWORD TAPE_DRIVE_ERASE_SHORT = 0x00000010;
inline constexpr DWORD TAPE_DRIVE_ERASE_LONG = 0x00000020;
inline constexpr DWORD TAPE_DRIVE_ERASE_BOP_ONLY = 0x00000040;
inline constexpr DWORD TAPE_DRIVE_ERASE_IMMEDIATE = 0x00000080;
inline constexpr DWORD TAPE_DRIVE_TAPE_CAPACITY = 0x00000100;
inline constexpr DWORD TAPE_DRIVE_TAPE_REMAINING = 0x00000200;
inline constexpr DWORD TAPE_DRIVE_FIXED_BLOCK = 0x00000400;
inline constexpr DWORD TAPE_DRIVE_VARIABLE_BLOCK = 0x00000800;
inline constexpr DWORD TAPE_DRIVE_WRITE_PROTECT = 0x00001000;
inline constexpr DWORD TAPE_DRIVE_EOT_WZ_SIZE = 0x00002000;
inline constexpr DWORD TAPE_DRIVE_ECC = 0x00010000;
inline constexpr DWORD TAPE_DRIVE_COMPRESSION = 0x00020000;
inline constexpr DWORD TAPE_DRIVE_PADDING = 0x00040000;
inline constexpr DWORD TAPE_DRIVE_REPORT_SMKS = 0x00080000;
inline constexpr DWORD TAPE_DRIVE_GET_ABSOLUTE_BLK = 0x00100000;
inline constexpr DWORD TAPE_DRIVE_GET_LOGICAL_BLK = 0x00200000;
inline constexpr DWORD TAPE_DRIVE_SET_EOT_WZ_SIZE = 0x00400000;
inline constexpr DWORD TAPE_DRIVE_EJECT_MEDIA = 0x01000000;
inline constexpr DWORD TAPE_DRIVE_CLEAN_REQUESTS = 0x02000000;
inline constexpr DWORD TAPE_DRIVE_SET_CMP_BOP_ONLY = 0x04000000;

inline constexpr DWORD TAPE_DRIVE_HIGH_FEATURES = 0x80000000;
inline constexpr DWORD TAPE_DRIVE_LOAD_UNLOAD = 0x80000001;
inline constexpr DWORD TAPE_DRIVE_TENSION = 0x80000002;
inline constexpr DWORD TAPE_DRIVE_LOCK_UNLOCK = 0x80000004;
inline constexpr DWORD TAPE_DRIVE_REWIND_IMMEDIATE = 0x80000008;
inline constexpr DWORD TAPE_DRIVE_SET_BLOCK_SIZE = 0x80000010;
inline constexpr DWORD TAPE_DRIVE_LOAD_UNLD_IMMED = 0x80000020;
inline constexpr DWORD TAPE_DRIVE_TENSION_IMMED = 0x80000040;
inline constexpr DWORD TAPE_DRIVE_LOCK_UNLK_IMMED = 0x80000080;
inline constexpr DWORD TAPE_DRIVE_SET_ECC = 0x80000100;
inline constexpr DWORD TAPE_DRIVE_SET_COMPRESSION = 0x80000200;
inline constexpr DWORD TAPE_DRIVE_SET_PADDING = 0x80000400;
inline constexpr DWORD TAPE_DRIVE_SET_REPORT_SMKS = 0x80000800;
inline constexpr DWORD TAPE_DRIVE_ABSOLUTE_BLK = 0x80001000;
inline constexpr DWORD TAPE_DRIVE_ABS_BLK_IMMED = 0x80002000;
inline constexpr DWORD TAPE_DRIVE_LOGICAL_BLK = 0x80004000;
inline constexpr DWORD TAPE_DRIVE_LOG_BLK_IMMED = 0x80008000;
inline constexpr DWORD TAPE_DRIVE_END_OF_DATA = 0x80010000;
inline constexpr DWORD TAPE_DRIVE_RELATIVE_BLKS = 0x80020000;
inline constexpr DWORD TAPE_DRIVE_FILEMARKS = 0x80040000;
inline constexpr DWORD TAPE_DRIVE_SEQUENTIAL_FMKS = 0x80080000;
inline constexpr DWORD TAPE_DRIVE_SETMARKS = 0x80100000;
inline constexpr DWORD TAPE_DRIVE_SEQUENTIAL_SMKS = 0x80200000;
inline constexpr DWORD TAPE_DRIVE_REVERSE_POSITION = 0x80400000;
inline constexpr DWORD TAPE_DRIVE_SPACE_IMMEDIATE = 0x80800000;
inline constexpr DWORD TAPE_DRIVE_WRITE_SETMARKS = 0x81000000;
inline constexpr DWORD TAPE_DRIVE_WRITE_FILEMARKS = 0x82000000;
inline constexpr DWORD TAPE_DRIVE_WRITE_SHORT_FMKS = 0x84000000;
inline constexpr DWORD TAPE_DRIVE_WRITE_LONG_FMKS = 0x88000000;
inline constexpr DWORD TAPE_DRIVE_WRITE_MARK_IMMED = 0x90000000;

// TAPE_GET_DRIVE_PARAMETERS: what GetTapeParameters answers for GET_TAPE_DRIVE_INFORMATION.
struct TapeGetDriveParameters {
  std::uint8_t ECC;
  std::uint8_t Compression;
  std::uint8_t DataPadding;
  std::uint8_t ReportSetmarks;
  DWORD DefaultBlockSize;
  DWORD MaximumBlockSize;
  DWORD MinimumBlockSize;
  DWORD MaximumPartitionCount;
  DWORD FeaturesLow;
  DWORD FeaturesHigh;
  DWORD EOTWarningZoneSize;
};
static_assert(sizeof(TapeGetDriveParameters) == 32 && offsetof(TapeGetDriveParameters, FeaturesLow) == 20);

// Whether the drive information has a feature flag of either word.
constexpr bool HasTapeFeature(const TapeGetDriveParameters& drive, DWORD flag) {
  if ((flag & TAPE_DRIVE_HIGH_FEATURES) == 0) return (drive.FeaturesLow & flag) != 0;
  return (drive.FeaturesHigh & flag & ~TAPE_DRIVE_HIGH_FEATURES) != 0;
}

}  // namespace win
