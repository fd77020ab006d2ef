#include "platform/tapedriveinformation.h"

#include <algorithm>
#include <cstring>

#include "platform/tapesense.h"

namespace os {

namespace {

// What every sequential-access drive does with its mandatory commands: SPACE (blocks, filemarks, the
// end of data, backwards too), LOCATE and READ POSITION, REWIND with immediate return, WRITE
// FILEMARKS, ERASE, LOAD UNLOAD and PREVENT ALLOW MEDIUM REMOVAL, fixed and variable blocks with a
// block size set through MODE SELECT, and write protection reported.
constexpr win::DWORD kCommonLow = win::TAPE_DRIVE_ERASE_LONG | win::TAPE_DRIVE_ERASE_SHORT |
                                  win::TAPE_DRIVE_FIXED_BLOCK | win::TAPE_DRIVE_VARIABLE_BLOCK |
                                  win::TAPE_DRIVE_WRITE_PROTECT | win::TAPE_DRIVE_GET_LOGICAL_BLK |
                                  win::TAPE_DRIVE_EJECT_MEDIA;
constexpr win::DWORD kCommonHigh =
    (win::TAPE_DRIVE_LOAD_UNLOAD | win::TAPE_DRIVE_LOCK_UNLOCK | win::TAPE_DRIVE_REWIND_IMMEDIATE |
     win::TAPE_DRIVE_SET_BLOCK_SIZE | win::TAPE_DRIVE_LOGICAL_BLK | win::TAPE_DRIVE_END_OF_DATA |
     win::TAPE_DRIVE_RELATIVE_BLKS | win::TAPE_DRIVE_FILEMARKS | win::TAPE_DRIVE_REVERSE_POSITION |
     win::TAPE_DRIVE_WRITE_FILEMARKS | win::TAPE_DRIVE_WRITE_MARK_IMMED) &
    ~win::TAPE_DRIVE_HIGH_FEATURES;

// Used when the drive names no current block size (variable-block mode).
constexpr win::DWORD kUsualBlockSize = 512;

}  // namespace

win::TapeGetDriveParameters TapeDriveInformation(const std::uint8_t (&blockLimits)[6],
                                                 const std::uint8_t* modeSense, std::size_t modeLength) {
  win::TapeGetDriveParameters drive{};
  drive.MaximumBlockSize =
      static_cast<win::DWORD>(blockLimits[1] << 16 | blockLimits[2] << 8 | blockLimits[3]);
  drive.MinimumBlockSize = static_cast<win::DWORD>(blockLimits[4] << 8 | blockLimits[5]);
  drive.FeaturesLow = kCommonLow;
  drive.FeaturesHigh = kCommonHigh;
  win::DWORD current = 0;
  if (modeSense != nullptr && modeLength >= 4) {
    // Header: data length, medium type, device-specific byte, block descriptor length.
    const std::size_t end = std::min<std::size_t>(modeLength, std::size_t{modeSense[0]} + 1);
    const std::size_t descriptors = modeSense[3];
    if (descriptors >= 8 && 4 + 8 <= end)
      current = static_cast<win::DWORD>(modeSense[9] << 16 | modeSense[10] << 8 | modeSense[11]);
    const std::size_t page = 4 + descriptors;
    if (page + 4 <= end && (modeSense[page] & 0x3F) == 0x0F) {
      const bool capable = (modeSense[page + 2] & 0x40) != 0;  // DCC
      if (capable) {
        drive.FeaturesLow |= win::TAPE_DRIVE_COMPRESSION;
        drive.FeaturesHigh |= win::TAPE_DRIVE_SET_COMPRESSION & ~win::TAPE_DRIVE_HIGH_FEATURES;
      }
      drive.Compression = (modeSense[page + 2] & 0x80) != 0;  // DCE
    }
  }
  if (current == 0) current = kUsualBlockSize;
  if (drive.MaximumBlockSize != 0) current = std::min(current, drive.MaximumBlockSize);
  drive.DefaultBlockSize = std::max(current, drive.MinimumBlockSize);
  return drive;
}

win::DWORD ReadTapeParameters(const SatTransport& send, win::DWORD operation, win::DWORD* size,
                              void* information) {
  if (operation != win::GET_TAPE_DRIVE_INFORMATION) return win::ERROR_NOT_SUPPORTED;
  if (size == nullptr || information == nullptr) return win::ERROR_INVALID_PARAMETER;
  if (*size < sizeof(win::TapeGetDriveParameters)) {
    *size = sizeof(win::TapeGetDriveParameters);
    return win::ERROR_MORE_DATA;
  }
  std::uint8_t limits[6] = {};
  std::uint8_t status = 0;
  std::uint8_t sense[32] = {};
  if (const win::DWORD error =
          send(kReadBlockLimitsCdb, 6, true, limits, sizeof limits, &status, sense, sizeof sense))
    return error;
  if (const win::DWORD error = TapeErrorOfSense(status, sense, sizeof sense)) return error;
  std::uint8_t mode[64] = {};
  status = 0;
  const bool modeRead = send(kTapeModeSenseCdb, 6, true, mode, sizeof mode, &status, sense, sizeof sense) ==
                            win::ERROR_SUCCESS &&
                        TapeErrorOfSense(status, sense, sizeof sense) == win::ERROR_SUCCESS;
  const win::TapeGetDriveParameters drive =
      TapeDriveInformation(limits, modeRead ? mode : nullptr, sizeof mode);
  std::memcpy(information, &drive, sizeof drive);
  *size = sizeof drive;
  return win::ERROR_SUCCESS;
}

}  // namespace os
