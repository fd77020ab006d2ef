#include "platform/sim/simplatform.h"

#include "platform/devicepath.h"

namespace os {

SimPlatform::SimPlatform(const std::string& descriptionPath)
    : native_(Native()), machine_(SimMachine::Load(descriptionPath)) {}

win::HANDLE SimPlatform::CreateFile(const std::string& path, win::DWORD access, win::DWORD share,
                                    win::DWORD disposition, win::DWORD flagsAndAttributes) {
  if (IsDevicePath(path)) {
    // The machine has no devices yet.
    native_.SetLastError(win::ERROR_FILE_NOT_FOUND);
    return win::INVALID_HANDLE_VALUE;
  }
  return native_.CreateFile(path, access, share, disposition, flagsAndAttributes);
}

bool SimPlatform::CloseHandle(win::HANDLE handle) {
  return native_.CloseHandle(handle);
}

bool SimPlatform::ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) {
  return native_.ReadFile(handle, buffer, toRead, read);
}

bool SimPlatform::WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) {
  return native_.WriteFile(handle, buffer, toWrite, written);
}

bool SimPlatform::SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                                 win::DWORD moveMethod) {
  return native_.SetFilePointer(handle, distance, newPosition, moveMethod);
}

bool SimPlatform::LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) {
  return native_.LockFile(handle, offset, length);
}

bool SimPlatform::UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) {
  return native_.UnlockFile(handle, offset, length);
}

// The last error is the thread's, shared with the native backend whose calls set it.
win::DWORD SimPlatform::GetLastError() {
  return native_.GetLastError();
}

void SimPlatform::SetLastError(win::DWORD error) {
  native_.SetLastError(error);
}

void SimPlatform::OutputDebugString(const char* text) {
  native_.OutputDebugString(text);
}

std::optional<std::string> SimPlatform::GetEnvironmentVariable(const std::string& name) {
  return native_.GetEnvironmentVariable(name);
}

std::uint64_t SimPlatform::GetTickCount64() {
  return native_.GetTickCount64();
}

void SimPlatform::Sleep(win::DWORD milliseconds) {
  native_.Sleep(milliseconds);
}

std::tm SimPlatform::LocalTime() {
  return native_.LocalTime();
}

win::HMODULE SimPlatform::LoadLibrary(const std::string& name) { return native_.LoadLibrary(name); }

void* SimPlatform::GetProcAddress(win::HMODULE module, const std::string& name) {
  return native_.GetProcAddress(module, name);
}

bool SimPlatform::FreeLibrary(win::HMODULE module) { return native_.FreeLibrary(module); }

}  // namespace os
