#pragma once

// The linux backend: the Windows view of files and devices translated onto Linux system calls.
// File paths are written as on Windows (backslashes are mapped to slashes); paths in the device
// namespace (\\.\...) are the backend's own: \\.\qxdvmkd is the port-I/O driver on /dev/port (see
// LinuxPortDevice); other names are not found. Sharing modes and FILE_FLAG_* bits of CreateFile are
// accepted and not enforced: Linux has no mandatory sharing.

#include <memory>
#include <string>

#include "platform/devicenamespace.h"
#include "platform/handletable.h"
#include "platform/linux/linuxdevicemapregistry.h"
#include "platform/linux/linuxioctllayer.h"
#include "platform/os.h"

namespace os {

// The Windows error code that stands for the errno value of a failed file or device call.
win::DWORD WindowsErrorFromErrno(int error);

class LinuxPlatform : public Platform {
 public:
  // The machine's own files; tests give a made-up sysfs tree, /dev folder and mount table.
  struct Roots {
    std::string sysfs = "/sys";
    std::string dev = "/dev";
    std::string mountTable = "/proc/self/mounts";
  };
  LinuxPlatform() : LinuxPlatform(Roots{}) {}
  explicit LinuxPlatform(Roots roots, LinuxIoctlLayer& layer = LinuxIoctlLayer::Kernel());

  const char* Name() const override { return "linux"; }

  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flagsAndAttributes) override;
  bool CloseHandle(win::HANDLE handle) override;
  bool ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) override;
  bool WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) override;
  bool SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                      win::DWORD moveMethod) override;
  // Byte-range locks belong to the handle as on Windows: another handle of the same process conflicts,
  // a range must not overlap one the handle already holds, and an unlock names exactly a locked range.
  bool LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override;
  win::DWORD GetFileType(win::HANDLE handle) override;
  bool FlushFileBuffers(win::HANDLE handle) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  bool DeleteFile(const std::string& path) override;
  bool UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override;
  // Device handles answer their own control codes; a file handle answers none (ERROR_INVALID_FUNCTION).
  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override;

  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;

  // Linux has no debugger output channel: nothing is written (DebugPrint already prints the same line
  // to standard error).
  void OutputDebugString(const char* text) override;
  // See processaffinity.h: the process mask is the calling thread's, and setting it sets every thread.
  bool GetProcessAffinityMask(std::uint64_t* processMask, std::uint64_t* systemMask) override;
  bool SetProcessAffinityMask(std::uint64_t mask) override;
  // The kernel's thread id (gettid).
  win::DWORD GetCurrentThreadId() override;
  std::optional<std::string> GetEnvironmentVariable(const std::string& name) override;
  std::uint64_t GetTickCount64() override;
  void Sleep(win::DWORD milliseconds) override;
  std::tm LocalTime() override;
  bool GetFixedLogicalDisks(std::vector<LogicalDisk>* disks) override;

  // dlopen of the mapped file name, beside the component first, then on the loader's search path.
  win::HMODULE LoadLibrary(const std::string& name) override;
  void* GetProcAddress(win::HMODULE module, const std::string& name) override;
  bool FreeLibrary(win::HMODULE module) override;
  // The registry has the SCSI device map alone (see linuxdevicemapregistry.h); every other key is
  // missing.
  win::DWORD RegOpenKey(win::HKEY root, const std::string& subKey, win::DWORD access,
                        win::HKEY* key) override;
  win::DWORD RegCloseKey(win::HKEY key) override;
  win::DWORD RegQueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                           win::DWORD* size) override;
  // The storage map's names (see linuxstoragemap.h): PhysicalDriveN for every whole disk, CdRomN,
  // TapeN, and ScsiN: for every port.
  win::DWORD QueryDosDevice(const std::string& name, char* buffer, win::DWORD size) override;
  // See linuxsetupdevices.h.
  SetupResult SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                             std::vector<SetupDevice>* devices) override;
  // Namespace root\cimv2 alone, made afresh for each query (see linuxwmi.h).
  bool WmiQuery(const std::string& nameSpace, const std::string& query, std::vector<WmiRow>* rows) override;
  // The disk's block device opened exclusively (O_EXCL), which the kernel refuses while a file system
  // is mounted on it or on one of its partitions, or another program holds it: that descriptor is the
  // hold. A unit without a block device is given with no hold.
  bool HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                          std::vector<win::HANDLE>* holds) override;
  // The tape functions on a \\.\TapeN (see linuxtapedrive.h).
  win::DWORD GetTapeStatus(win::HANDLE handle) override;
  win::DWORD GetTapeParameters(win::HANDLE handle, win::DWORD operation, win::DWORD* size,
                               void* information) override;
  win::DWORD SetTapePosition(win::HANDLE handle, win::DWORD method, win::DWORD partition,
                             win::DWORD offsetLow, win::DWORD offsetHigh, bool immediate) override;
  win::DWORD WriteTapemark(win::HANDLE handle, win::DWORD type, win::DWORD count, bool immediate) override;
  // The SMBIOS table from sysfs (see linuxsmbios.h); ERROR_NOT_SUPPORTED when sysfs has none.
  win::DWORD GetSystemFirmwareTable(win::DWORD provider, win::DWORD tableId, void* buffer,
                                    win::DWORD size) override;

 private:
  class FileHandle;
  // The file of a handle; sets ERROR_INVALID_HANDLE and answers null when there is none.
  std::shared_ptr<FileHandle> FindFile(win::HANDLE handle) const;

  const Roots roots_;
  LinuxIoctlLayer& layer_;
  DeviceNamespace devices_;
  HandleTable handles_;
  LinuxDeviceMapRegistry registry_;
};

}  // namespace os
