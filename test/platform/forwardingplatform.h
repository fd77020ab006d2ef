#pragma once

// A backend for tests that passes every call to another backend; a test derives from it and
// overrides the calls it wants to watch or to make fail.

#include "platform/os.h"

namespace rbtest {

class ForwardingPlatform : public os::Platform {
 public:
  explicit ForwardingPlatform(os::Platform& target) : target_(target) {}

  const char* Name() const override { return target_.Name(); }
  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flagsAndAttributes) override {
    return target_.CreateFile(path, access, share, disposition, flagsAndAttributes);
  }
  bool CloseHandle(win::HANDLE handle) override { return target_.CloseHandle(handle); }
  bool ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) override {
    return target_.ReadFile(handle, buffer, toRead, read);
  }
  bool WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) override {
    return target_.WriteFile(handle, buffer, toWrite, written);
  }
  bool SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                      win::DWORD moveMethod) override {
    return target_.SetFilePointer(handle, distance, newPosition, moveMethod);
  }
  bool LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override {
    return target_.LockFile(handle, offset, length);
  }
  bool UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override {
    return target_.UnlockFile(handle, offset, length);
  }
  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override {
    return target_.DeviceIoControl(handle, code, in, inLength, out, outLength, returned);
  }
  win::DWORD GetFileType(win::HANDLE handle) override { return target_.GetFileType(handle); }
  bool FlushFileBuffers(win::HANDLE handle) override { return target_.FlushFileBuffers(handle); }
  bool MoveFile(const std::string& from, const std::string& to) override {
    return target_.MoveFile(from, to);
  }
  bool DeleteFile(const std::string& path) override { return target_.DeleteFile(path); }
  win::DWORD GetLastError() override { return target_.GetLastError(); }
  void SetLastError(win::DWORD error) override { target_.SetLastError(error); }
  std::string FormatMessage(win::DWORD error) override { return target_.FormatMessage(error); }
  void OutputDebugString(const char* text) override { target_.OutputDebugString(text); }
  bool GetProcessAffinityMask(std::uint64_t* processMask, std::uint64_t* systemMask) override {
    return target_.GetProcessAffinityMask(processMask, systemMask);
  }
  bool SetProcessAffinityMask(std::uint64_t mask) override { return target_.SetProcessAffinityMask(mask); }
  win::DWORD GetCurrentThreadId() override { return target_.GetCurrentThreadId(); }
  std::optional<std::string> GetEnvironmentVariable(const std::string& name) override {
    return target_.GetEnvironmentVariable(name);
  }
  std::uint64_t GetTickCount64() override { return target_.GetTickCount64(); }
  void Sleep(win::DWORD milliseconds) override { target_.Sleep(milliseconds); }
  std::tm LocalTime() override { return target_.LocalTime(); }
  bool GetFixedLogicalDisks(std::vector<os::LogicalDisk>* disks) override {
    return target_.GetFixedLogicalDisks(disks);
  }
  win::HMODULE LoadLibrary(const std::string& name) override { return target_.LoadLibrary(name); }
  void* GetProcAddress(win::HMODULE module, const std::string& name) override {
    return target_.GetProcAddress(module, name);
  }
  bool FreeLibrary(win::HMODULE module) override { return target_.FreeLibrary(module); }
  win::DWORD RegOpenKey(win::HKEY root, const std::string& subKey, win::DWORD access,
                        win::HKEY* key) override {
    return target_.RegOpenKey(root, subKey, access, key);
  }
  win::DWORD RegCloseKey(win::HKEY key) override { return target_.RegCloseKey(key); }
  win::DWORD RegQueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                           win::DWORD* size) override {
    return target_.RegQueryValue(key, name, type, data, size);
  }
  win::DWORD QueryDosDevice(const std::string& name, char* buffer, win::DWORD size) override {
    return target_.QueryDosDevice(name, buffer, size);
  }
  os::SetupResult SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                                 std::vector<os::SetupDevice>* devices) override {
    return target_.SetupEnumerate(setupClass, interfaceClass, devices);
  }
  bool WmiQuery(const std::string& nameSpace, const std::string& query, std::vector<os::WmiRow>* rows) override {
    return target_.WmiQuery(nameSpace, query, rows);
  }
  bool HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                          std::vector<win::HANDLE>* holds) override {
    return target_.HoldDiskForWriting(devicePath, address, holds);
  }
  win::DWORD GetSystemFirmwareTable(win::DWORD provider, win::DWORD tableId, void* buffer,
                                    win::DWORD size) override {
    return target_.GetSystemFirmwareTable(provider, tableId, buffer, size);
  }

  // Tape drives.
  win::DWORD GetTapeStatus(win::HANDLE handle) override { return target_.GetTapeStatus(handle); }
  win::DWORD GetTapeParameters(win::HANDLE handle, win::DWORD operation, win::DWORD* size,
                               void* information) override {
    return target_.GetTapeParameters(handle, operation, size, information);
  }
  win::DWORD SetTapePosition(win::HANDLE handle, win::DWORD method, win::DWORD partition,
                             win::DWORD offsetLow, win::DWORD offsetHigh, bool immediate) override {
    return target_.SetTapePosition(handle, method, partition, offsetLow, offsetHigh, immediate);
  }
  win::DWORD WriteTapemark(win::HANDLE handle, win::DWORD type, win::DWORD count, bool immediate) override {
    return target_.WriteTapemark(handle, type, count, immediate);
  }

 protected:
  os::Platform& target_;
};

}  // namespace rbtest
