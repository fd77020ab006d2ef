#include "devices/tape/tapeerrors.h"

#include <iterator>

#include "platform/os.h"
#include "platform/wintape.h"
#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

namespace {

constexpr TapeErrorText kTapeErrors[] = {
    {win::ERROR_WRITE_PROTECT, "The media is write protected.", "Write Protect"},
    {win::ERROR_NOT_SUPPORTED, "The tape driver does not support a requested function.",
     "Function Not Supported"},
    {win::ERROR_END_OF_MEDIA, "The end-of-tape marker was reached during an operation.",
     "End Of Media Reached"},
    {win::ERROR_FILEMARK_DETECTED, "A filemark was reached during an operation.", "Filemark Detected"},
    {win::ERROR_BEGINNING_OF_MEDIA, "An attempt to access data before the beginning-of-medium marker failed.",
     "Beginning Of Media Reached"},
    {win::ERROR_SETMARK_DETECTED, "A setmark was reached during an operation.", "Setmark Detected"},
    {win::ERROR_NO_DATA_DETECTED, "The end-of-data marker was reached during an operation.",
     "No Data Detected"},
    {win::ERROR_PARTITION_FAILURE, "The tape could not be partitioned.", "Partition Failure"},
    {win::ERROR_INVALID_BLOCK_LENGTH, "The block size is incorrect on a new tape in a multivolume partition.",
     "Invalid Block Length"},
    {win::ERROR_DEVICE_NOT_PARTITIONED,
     "The partition information could not be found when a tape was being loaded.", "Device Not Partitioned"},
    {win::ERROR_UNABLE_TO_LOCK_MEDIA, "An attempt to lock the media failed.",
     "Unable to lock ejection mechanism failed."},
    {win::ERROR_UNABLE_TO_UNLOAD_MEDIA, "An attempt to unload the tape failed.", "Unable To Unload Media"},
    {win::ERROR_MEDIA_CHANGED, "The tape that was in the drive has been replaced or removed.",
     "Media Changed"},
    {win::ERROR_BUS_RESET, "A reset condition was detected on the bus.", "Bus Reset"},
    {win::ERROR_NO_MEDIA_IN_DRIVE, "There is no media in the drive.", "No Media In Drive"},
    {win::ERROR_DEVICE_REQUIRES_CLEANING, "The tape drive reports that it requires cleaning.",
     "Drive Requires Cleaning"},
};

}  // namespace

const TapeErrorText* FindTapeError(win::DWORD code) {
  for (const TapeErrorText& entry : kTapeErrors)
    if (entry.code == code) return &entry;
  return nullptr;
}

std::string TapeErrorLongText(win::DWORD code) {
  if (const TapeErrorText* entry = FindTapeError(code)) return Translate(entry->text);
  return os::Current().FormatMessage(code);
}

std::string TapeErrorName(win::DWORD code) {
  if (const TapeErrorText* entry = FindTapeError(code)) return Translate(entry->name);
  return Translate("Error") + StringPrintf(" %u", static_cast<unsigned>(code));
}

}  // namespace rb
