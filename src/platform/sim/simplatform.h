#pragma once

// The sim backend: a simulated machine read from a description file. Paths in the device namespace
// (\\.\...) belong to the machine; everything else (files, process services) is the native backend's.

#include <string>

#include "platform/os.h"
#include "platform/sim/simmachine.h"

namespace os {

class SimPlatform : public Platform {
 public:
  // Loads the machine; raises MachineError when the description cannot be used.
  explicit SimPlatform(const std::string& descriptionPath);

  const char* Name() const override { return "sim"; }
  const SimMachine& Machine() const { return machine_; }

  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flagsAndAttributes) override;
  bool CloseHandle(win::HANDLE handle) override;
  bool ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) override;
  bool WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) override;
  bool SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                      win::DWORD moveMethod) override;
  bool LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override;
  bool UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override;

  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;

  void OutputDebugString(const char* text) override;
  std::optional<std::string> GetEnvironmentVariable(const std::string& name) override;
  std::uint64_t GetTickCount64() override;
  void Sleep(win::DWORD milliseconds) override;
  std::tm LocalTime() override;
  win::HMODULE LoadLibrary(const std::string& name) override;
  void* GetProcAddress(win::HMODULE module, const std::string& name) override;
  bool FreeLibrary(win::HMODULE module) override;

 private:
  Platform& native_;
  SimMachine machine_;
};

}  // namespace os
