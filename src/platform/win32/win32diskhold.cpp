#include "platform/win32/win32diskhold.h"

#include "platform/win32/windowsheaders.h"
// After <windows.h>, whose types they use.
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstdio>
#include <vector>

namespace os {

namespace {

constexpr int kMostDisks = 64;

HANDLE OpenShared(const char* path) {
  return ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The number of the disk a device path opens; false when it is no disk of the disk class.
bool DiskNumberOf(const std::string& path, DWORD* number, DWORD* type) {
  const HANDLE device = OpenShared(path.c_str());
  if (device == INVALID_HANDLE_VALUE) return false;
  STORAGE_DEVICE_NUMBER found = {};
  DWORD returned = 0;
  const bool ok = ::DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &found, sizeof found,
                                    &returned, nullptr);
  ::CloseHandle(device);
  *number = found.DeviceNumber;
  *type = found.DeviceType;
  return ok;
}

// The disk at a SCSI address: the PhysicalDrive whose address it is; false when the system has none.
bool DiskAt(const win::ScsiAddress& wanted, DWORD* number) {
  for (int disk = 0; disk < kMostDisks; ++disk) {
    char path[32];
    std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%d", disk);
    const HANDLE device = OpenShared(path);
    if (device == INVALID_HANDLE_VALUE) continue;
    SCSI_ADDRESS address = {};
    DWORD returned = 0;
    const bool ok = ::DeviceIoControl(device, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address,
                                      &returned, nullptr);
    ::CloseHandle(device);
    if (ok && address.PortNumber == wanted.PortNumber && address.PathId == wanted.PathId &&
        address.TargetId == wanted.TargetId && address.Lun == wanted.Lun) {
      *number = static_cast<DWORD>(disk);
      return true;
    }
  }
  return false;
}

bool Refuse(std::vector<win::HANDLE>* holds) {
  for (win::HANDLE hold : *holds) ::CloseHandle(hold);
  holds->clear();
  ::SetLastError(ERROR_BUSY);
  return false;
}

// Locks a volume (or a device that is its own volume) and keeps it open as a hold.
bool Lock(const char* path, std::vector<win::HANDLE>* holds) {
  const HANDLE volume = OpenShared(path);
  if (volume == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  if (!::DeviceIoControl(volume, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr)) {
    ::CloseHandle(volume);
    return false;
  }
  holds->push_back(volume);
  return true;
}

// Whether a volume has an extent on the disk.
bool OnDisk(HANDLE volume, DWORD disk) {
  std::vector<unsigned char> buffer(sizeof(VOLUME_DISK_EXTENTS) + 31 * sizeof(DISK_EXTENT));
  DWORD returned = 0;
  if (!::DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &returned, nullptr))
    return false;
  const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data());
  for (DWORD i = 0; i < extents->NumberOfDiskExtents && i < 32; ++i)
    if (extents->Extents[i].DiskNumber == disk) return true;
  return false;
}

}  // namespace

bool Win32HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                             std::vector<win::HANDLE>* holds) {
  holds->clear();
  DWORD disk = 0;
  DWORD type = FILE_DEVICE_DISK;
  const bool portPath = !devicePath.empty() && devicePath.back() == ':';
  // A disk the system has no device for has no volume either.
  if (portPath ? !DiskAt(address, &disk) : !DiskNumberOf(devicePath, &disk, &type)) return true;
  // An optical drive or diskette is a volume itself.
  if (type != FILE_DEVICE_DISK) return Lock(devicePath.c_str(), holds) || Refuse(holds);
  char name[MAX_PATH];
  const HANDLE search = ::FindFirstVolumeA(name, sizeof name);
  if (search == INVALID_HANDLE_VALUE) return true;
  bool ok = true;
  do {
    // Volume names end with a backslash, which opening the volume itself must not have.
    std::string volumePath = name;
    if (!volumePath.empty() && volumePath.back() == '\\') volumePath.pop_back();
    const HANDLE volume = OpenShared(volumePath.c_str());
    if (volume == INVALID_HANDLE_VALUE) continue;
    const bool mine = OnDisk(volume, disk);
    ::CloseHandle(volume);
    if (mine && !Lock(volumePath.c_str(), holds)) ok = false;
  } while (ok && ::FindNextVolumeA(search, name, sizeof name));
  ::FindVolumeClose(search);
  return ok || Refuse(holds);
}

}  // namespace os
