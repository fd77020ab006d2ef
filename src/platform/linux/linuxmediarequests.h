#pragma once

// The removable-media and geometry requests of Windows' storage and disk drivers on a Linux block
// device: readiness, loading and resetting an optical drive with the CD-ROM ioctls, writability with
// BLKROGET and the geometry from the device's size and logical block size.

#include "platform/linux/linuxioctllayer.h"
#include "platform/winstorage.h"

namespace os {

// IOCTL_STORAGE_CHECK_VERIFY, IOCTL_STORAGE_LOAD_MEDIA and IOCTL_STORAGE_RESET_DEVICE of an optical
// drive's node (CDROM_DRIVE_STATUS, CDROMCLOSETRAY, CDROMRESET); IOCTL_DISK_IS_WRITABLE (BLKROGET) and
// IOCTL_DISK_GET_DRIVE_GEOMETRY (BLKGETSIZE64, BLKSSZGET) of any block node. `handled` is false for
// another code.
win::DWORD LinuxMediaRequest(LinuxIoctlLayer& layer, int fd, bool optical, bool removable, win::DWORD code,
                             void* out, win::DWORD outLength, win::DWORD* returned, bool& handled);

}  // namespace os
