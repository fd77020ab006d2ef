// The request layouts of winapi.h against the Windows headers themselves: the component builds its
// requests from its own definitions on every backend, and this file, built only for Windows, proves
// them equal to what the drivers read.

#include <cstddef>

#include "platform/winapi.h"
#include "platform/winstorage.h"
#include "platform/wintape.h"

// Our constants, taken before the Windows headers define the same names as macros.
namespace {
constexpr win::DWORD kPassThrough = win::IOCTL_SCSI_PASS_THROUGH;
constexpr win::DWORD kPassThroughDirect = win::IOCTL_SCSI_PASS_THROUGH_DIRECT;
constexpr win::DWORD kMiniport = win::IOCTL_SCSI_MINIPORT;
constexpr win::DWORD kEjectMedia = win::IOCTL_STORAGE_EJECT_MEDIA;
constexpr std::uint8_t kDataIn = win::SCSI_IOCTL_DATA_IN;
constexpr std::uint8_t kDataOut = win::SCSI_IOCTL_DATA_OUT;
constexpr win::DWORD kNoBuffering = win::FILE_FLAG_NO_BUFFERING;
constexpr win::DWORD kFailCriticalErrors = win::SEM_FAILCRITICALERRORS;
constexpr win::DWORD kSmartGetVersion = win::SMART_GET_VERSION;
constexpr win::DWORD kSmartSend = win::SMART_SEND_DRIVE_COMMAND;
constexpr win::DWORD kSmartReceive = win::SMART_RCV_DRIVE_DATA;
constexpr win::DWORD kIdePassThrough = win::IOCTL_IDE_PASS_THROUGH;
constexpr win::DWORD kCheckVerify = win::IOCTL_STORAGE_CHECK_VERIFY;
constexpr win::DWORD kLoadMedia = win::IOCTL_STORAGE_LOAD_MEDIA;
constexpr win::DWORD kResetDevice = win::IOCTL_STORAGE_RESET_DEVICE;
constexpr win::DWORD kIsWritable = win::IOCTL_DISK_IS_WRITABLE;
constexpr win::DWORD kGetGeometry = win::IOCTL_DISK_GET_DRIVE_GEOMETRY;
constexpr win::DWORD kFormatTracks = win::IOCTL_DISK_FORMAT_TRACKS;
constexpr win::DWORD kLockVolume = win::FSCTL_LOCK_VOLUME;
constexpr win::DWORD kUnlockVolume = win::FSCTL_UNLOCK_VOLUME;
constexpr win::DWORD kFloppy144 = win::F3_1Pt44_512;
constexpr win::DWORD kFixedMedia = win::FixedMedia;
constexpr win::DWORD kDriveInformation = win::GET_TAPE_DRIVE_INFORMATION;
constexpr win::DWORD kRewind = win::TAPE_REWIND;
constexpr win::DWORD kSpaceFilemarks = win::TAPE_SPACE_FILEMARKS;
constexpr win::DWORD kFilemarks = win::TAPE_FILEMARKS;
constexpr win::DWORD kSetmarks = win::TAPE_SETMARKS;
constexpr win::DWORD kNoMedia = win::ERROR_NO_MEDIA_IN_DRIVE;
constexpr win::DWORD kEndOfMedia = win::ERROR_END_OF_MEDIA;
constexpr win::DWORD kRequiresCleaning = win::ERROR_DEVICE_REQUIRES_CLEANING;
constexpr win::DWORD kWritesFilemarks = win::TAPE_DRIVE_WRITE_FILEMARKS;
constexpr win::DWORD kCompression = win::TAPE_DRIVE_COMPRESSION;
constexpr win::DWORD kEraseLong = win::TAPE_DRIVE_ERASE_LONG;
constexpr win::DWORD kLockUnlock = win::TAPE_DRIVE_LOCK_UNLOCK;
}  // namespace

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After <windows.h>, whose types they use.
#include <ntddscsi.h>
#include <winioctl.h>

namespace os {

static_assert(kPassThrough == IOCTL_SCSI_PASS_THROUGH &&
              kPassThroughDirect == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(kMiniport == IOCTL_SCSI_MINIPORT && kEjectMedia == IOCTL_STORAGE_EJECT_MEDIA);
static_assert(kDataIn == SCSI_IOCTL_DATA_IN && kDataOut == SCSI_IOCTL_DATA_OUT);
static_assert(kNoBuffering == FILE_FLAG_NO_BUFFERING && kFailCriticalErrors == SEM_FAILCRITICALERRORS);

#define RAVELBANK_SAME_MEMBER(ours, theirs, member) \
  static_assert(offsetof(ours, member) == offsetof(theirs, member), #member)

static_assert(sizeof(win::ScsiPassThroughDirect) == sizeof(SCSI_PASS_THROUGH_DIRECT));
RAVELBANK_SAME_MEMBER(win::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, ScsiStatus);
RAVELBANK_SAME_MEMBER(win::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, DataIn);
RAVELBANK_SAME_MEMBER(win::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, DataTransferLength);
RAVELBANK_SAME_MEMBER(win::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, TimeOutValue);
RAVELBANK_SAME_MEMBER(win::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, DataBuffer);
RAVELBANK_SAME_MEMBER(win::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset);
RAVELBANK_SAME_MEMBER(win::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, Cdb);

static_assert(sizeof(win::ScsiPassThrough) == sizeof(SCSI_PASS_THROUGH));
RAVELBANK_SAME_MEMBER(win::ScsiPassThrough, SCSI_PASS_THROUGH, DataTransferLength);
RAVELBANK_SAME_MEMBER(win::ScsiPassThrough, SCSI_PASS_THROUGH, DataBufferOffset);
RAVELBANK_SAME_MEMBER(win::ScsiPassThrough, SCSI_PASS_THROUGH, SenseInfoOffset);
RAVELBANK_SAME_MEMBER(win::ScsiPassThrough, SCSI_PASS_THROUGH, Cdb);

static_assert(sizeof(win::SrbIoControl) == sizeof(SRB_IO_CONTROL));
RAVELBANK_SAME_MEMBER(win::SrbIoControl, SRB_IO_CONTROL, Signature);
RAVELBANK_SAME_MEMBER(win::SrbIoControl, SRB_IO_CONTROL, ControlCode);
RAVELBANK_SAME_MEMBER(win::SrbIoControl, SRB_IO_CONTROL, ReturnCode);
RAVELBANK_SAME_MEMBER(win::SrbIoControl, SRB_IO_CONTROL, Length);

static_assert(kSmartGetVersion == SMART_GET_VERSION && kSmartSend == SMART_SEND_DRIVE_COMMAND &&
              kSmartReceive == SMART_RCV_DRIVE_DATA && kIdePassThrough == IOCTL_IDE_PASS_THROUGH);
static_assert(kCheckVerify == IOCTL_STORAGE_CHECK_VERIFY && kLoadMedia == IOCTL_STORAGE_LOAD_MEDIA &&
              kResetDevice == IOCTL_STORAGE_RESET_DEVICE && kIsWritable == IOCTL_DISK_IS_WRITABLE);
static_assert(kGetGeometry == IOCTL_DISK_GET_DRIVE_GEOMETRY && kFormatTracks == IOCTL_DISK_FORMAT_TRACKS &&
              kLockVolume == FSCTL_LOCK_VOLUME && kUnlockVolume == FSCTL_UNLOCK_VOLUME);
static_assert(kFloppy144 == F3_1Pt44_512 && kFixedMedia == FixedMedia);

static_assert(sizeof(win::IdeRegs) == sizeof(IDEREGS));
RAVELBANK_SAME_MEMBER(win::IdeRegs, IDEREGS, bCylLowReg);
RAVELBANK_SAME_MEMBER(win::IdeRegs, IDEREGS, bDriveHeadReg);
RAVELBANK_SAME_MEMBER(win::IdeRegs, IDEREGS, bCommandReg);
static_assert(sizeof(win::SendCmdInParams) == sizeof(SENDCMDINPARAMS));
RAVELBANK_SAME_MEMBER(win::SendCmdInParams, SENDCMDINPARAMS, irDriveRegs);
RAVELBANK_SAME_MEMBER(win::SendCmdInParams, SENDCMDINPARAMS, bDriveNumber);
RAVELBANK_SAME_MEMBER(win::SendCmdInParams, SENDCMDINPARAMS, bBuffer);
static_assert(sizeof(win::SendCmdOutParams) == sizeof(SENDCMDOUTPARAMS));
RAVELBANK_SAME_MEMBER(win::SendCmdOutParams, SENDCMDOUTPARAMS, DriverStatus);
RAVELBANK_SAME_MEMBER(win::SendCmdOutParams, SENDCMDOUTPARAMS, bBuffer);
static_assert(sizeof(win::SmartDriverStatus) == sizeof(DRIVERSTATUS));
RAVELBANK_SAME_MEMBER(win::SmartDriverStatus, DRIVERSTATUS, bIDEError);
static_assert(sizeof(win::DiskGeometry) == sizeof(DISK_GEOMETRY));
RAVELBANK_SAME_MEMBER(win::DiskGeometry, DISK_GEOMETRY, MediaType);
RAVELBANK_SAME_MEMBER(win::DiskGeometry, DISK_GEOMETRY, SectorsPerTrack);
RAVELBANK_SAME_MEMBER(win::DiskGeometry, DISK_GEOMETRY, BytesPerSector);
static_assert(sizeof(win::FormatParameters) == sizeof(FORMAT_PARAMETERS));
RAVELBANK_SAME_MEMBER(win::FormatParameters, FORMAT_PARAMETERS, StartCylinderNumber);
RAVELBANK_SAME_MEMBER(win::FormatParameters, FORMAT_PARAMETERS, EndHeadNumber);

static_assert(kDriveInformation == GET_TAPE_DRIVE_INFORMATION && kRewind == TAPE_REWIND &&
              kSpaceFilemarks == TAPE_SPACE_FILEMARKS && kFilemarks == TAPE_FILEMARKS &&
              kSetmarks == TAPE_SETMARKS);
static_assert(kNoMedia == ERROR_NO_MEDIA_IN_DRIVE && kEndOfMedia == ERROR_END_OF_MEDIA &&
              kRequiresCleaning == ERROR_DEVICE_REQUIRES_CLEANING);
static_assert(kWritesFilemarks == TAPE_DRIVE_WRITE_FILEMARKS && kCompression == TAPE_DRIVE_COMPRESSION &&
              kEraseLong == TAPE_DRIVE_ERASE_LONG && kLockUnlock == TAPE_DRIVE_LOCK_UNLOCK);
static_assert(sizeof(win::TapeGetDriveParameters) == sizeof(TAPE_GET_DRIVE_PARAMETERS));
RAVELBANK_SAME_MEMBER(win::TapeGetDriveParameters, TAPE_GET_DRIVE_PARAMETERS, ReportSetmarks);
RAVELBANK_SAME_MEMBER(win::TapeGetDriveParameters, TAPE_GET_DRIVE_PARAMETERS, DefaultBlockSize);
RAVELBANK_SAME_MEMBER(win::TapeGetDriveParameters, TAPE_GET_DRIVE_PARAMETERS, MaximumPartitionCount);
RAVELBANK_SAME_MEMBER(win::TapeGetDriveParameters, TAPE_GET_DRIVE_PARAMETERS, FeaturesLow);
RAVELBANK_SAME_MEMBER(win::TapeGetDriveParameters, TAPE_GET_DRIVE_PARAMETERS, FeaturesHigh);
RAVELBANK_SAME_MEMBER(win::TapeGetDriveParameters, TAPE_GET_DRIVE_PARAMETERS, EOTWarningZoneSize);

#undef RAVELBANK_SAME_MEMBER

}  // namespace os
