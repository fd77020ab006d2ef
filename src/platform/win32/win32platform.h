#pragma once

// The win32 backend: every call goes to the Windows API of the same name. Only this backend's .cpp
// includes <windows.h>.

#include "platform/os.h"

namespace os {

class Win32Platform : public Platform {
 public:
  const char* Name() const override { return "win32"; }

  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flagsAndAttributes) override;
  bool CloseHandle(win::HANDLE handle) override;
  bool ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) override;
  bool WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) override;
  bool SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                      win::DWORD moveMethod) override;
  bool LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override;
  win::DWORD GetFileType(win::HANDLE handle) override;
  bool FlushFileBuffers(win::HANDLE handle) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  bool DeleteFile(const std::string& path) override;
  bool UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override;
  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override;

  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;
  std::string FormatMessage(win::DWORD error) override;
  win::DWORD SetErrorMode(win::DWORD mode) override;

  void OutputDebugString(const char* text) override;
  bool GetProcessAffinityMask(std::uint64_t* processMask, std::uint64_t* systemMask) override;
  bool SetProcessAffinityMask(std::uint64_t mask) override;
  win::DWORD GetCurrentThreadId() override;
  std::optional<std::string> GetEnvironmentVariable(const std::string& name) override;
  std::uint64_t GetTickCount64() override;
  void Sleep(win::DWORD milliseconds) override;
  std::tm LocalTime() override;
  bool GetFixedLogicalDisks(std::vector<LogicalDisk>* disks) override;
  // LoadLibraryA of the file beside the component when it is there, else of the name as given.
  win::HMODULE LoadLibrary(const std::string& name) override;
  void* GetProcAddress(win::HMODULE module, const std::string& name) override;
  bool FreeLibrary(win::HMODULE module) override;
  win::DWORD RegOpenKey(win::HKEY root, const std::string& subKey, win::DWORD access,
                        win::HKEY* key) override;
  win::DWORD RegCloseKey(win::HKEY key) override;
  win::DWORD RegQueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                           win::DWORD* size) override;
  win::DWORD QueryDosDevice(const std::string& name, char* buffer, win::DWORD size) override;
  SetupResult SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                             std::vector<SetupDevice>* devices) override;
  bool WmiQuery(const std::string& nameSpace, const std::string& query, std::vector<WmiRow>* rows) override;
  bool HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                          std::vector<win::HANDLE>* holds) override;
  win::DWORD GetSystemFirmwareTable(win::DWORD provider, win::DWORD tableId, void* buffer,
                                    win::DWORD size) override;
  // The tape functions of the system.
  win::DWORD GetTapeStatus(win::HANDLE handle) override;
  win::DWORD GetTapeParameters(win::HANDLE handle, win::DWORD operation, win::DWORD* size,
                               void* information) override;
  win::DWORD SetTapePosition(win::HANDLE handle, win::DWORD method, win::DWORD partition,
                             win::DWORD offsetLow, win::DWORD offsetHigh, bool immediate) override;
  win::DWORD WriteTapemark(win::HANDLE handle, win::DWORD type, win::DWORD count, bool immediate) override;
};

}  // namespace os
