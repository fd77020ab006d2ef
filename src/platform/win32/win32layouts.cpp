// The request layouts of winapi.h against the Windows headers themselves: the component builds its
// requests from its own definitions on every backend, and this file, built only for Windows, proves
// them equal to what the drivers read.

#include <cstddef>

#include "platform/winapi.h"

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

#undef RAVELBANK_SAME_MEMBER

}  // namespace os
