#include "platform/win32/win32platform.h"

#include "platform/win32/win32diskhold.h"
#include "platform/win32/win32setupenumerate.h"
#include "platform/win32/win32wmiquery.h"
#include "platform/win32/windowsheaders.h"

// <windows.h> maps these names to their A/W forms with macros, which would rename our methods; the
// calls below name the ANSI functions explicitly.
#undef CreateFile
#undef GetEnvironmentVariable
#undef OutputDebugString
#undef LoadLibrary
#undef RegOpenKey
#undef FormatMessage
#undef MoveFile
#undef DeleteFile
#undef QueryDosDevice
#undef RegQueryValue

#include <cstring>
#include <ctime>
#include <type_traits>

namespace os {

static_assert(std::is_same_v<win::HANDLE, ::HANDLE>);
static_assert(sizeof(win::DWORD) == sizeof(::DWORD));

namespace {

OVERLAPPED RangeStart(std::uint64_t offset) {
  OVERLAPPED overlapped = {};
  overlapped.Offset = static_cast<::DWORD>(offset);
  overlapped.OffsetHigh = static_cast<::DWORD>(offset >> 32);
  return overlapped;
}

}  // namespace

win::HANDLE Win32Platform::CreateFile(const std::string& path, win::DWORD access, win::DWORD share,
                                      win::DWORD disposition, win::DWORD flagsAndAttributes) {
  return ::CreateFileA(path.c_str(), access, share, nullptr, disposition, flagsAndAttributes, nullptr);
}

bool Win32Platform::CloseHandle(win::HANDLE handle) {
  return ::CloseHandle(handle) != FALSE;
}

bool Win32Platform::ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) {
  ::DWORD done = 0;
  const bool ok = ::ReadFile(handle, buffer, toRead, &done, nullptr) != FALSE;
  if (read != nullptr) *read = done;
  return ok;
}

bool Win32Platform::WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite,
                              win::DWORD* written) {
  ::DWORD done = 0;
  const bool ok = ::WriteFile(handle, buffer, toWrite, &done, nullptr) != FALSE;
  if (written != nullptr) *written = done;
  return ok;
}

bool Win32Platform::SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                                   win::DWORD moveMethod) {
  LARGE_INTEGER move;
  move.QuadPart = distance;
  LARGE_INTEGER position;
  position.QuadPart = 0;
  if (!::SetFilePointerEx(handle, move, &position, moveMethod)) return false;
  if (newPosition != nullptr) *newPosition = position.QuadPart;
  return true;
}

win::DWORD Win32Platform::GetFileType(win::HANDLE handle) {
  return ::GetFileType(handle);
}

bool Win32Platform::FlushFileBuffers(win::HANDLE handle) {
  return ::FlushFileBuffers(handle) != FALSE;
}

bool Win32Platform::MoveFile(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32Platform::DeleteFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != FALSE;
}

bool Win32Platform::LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) {
  OVERLAPPED start = RangeStart(offset);
  return ::LockFileEx(handle, LOCKFILE_FAIL_IMMEDIATELY | LOCKFILE_EXCLUSIVE_LOCK, 0,
                      static_cast<::DWORD>(length), static_cast<::DWORD>(length >> 32), &start) != FALSE;
}

bool Win32Platform::UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) {
  OVERLAPPED start = RangeStart(offset);
  return ::UnlockFileEx(handle, 0, static_cast<::DWORD>(length), static_cast<::DWORD>(length >> 32),
                        &start) != FALSE;
}

bool Win32Platform::DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength,
                                    void* out, win::DWORD outLength, win::DWORD* returned) {
  ::DWORD done = 0;
  // The input buffer is only read; the API takes it as non-const.
  const bool ok = ::DeviceIoControl(handle, code, const_cast<void*>(in), inLength, out, outLength, &done,
                                    nullptr) != FALSE;
  if (returned != nullptr) *returned = done;
  return ok;
}

win::DWORD Win32Platform::GetLastError() {
  return ::GetLastError();
}

void Win32Platform::SetLastError(win::DWORD error) {
  ::SetLastError(error);
}

win::DWORD Win32Platform::SetErrorMode(win::DWORD mode) {
  return ::SetErrorMode(mode);
}

std::string Win32Platform::FormatMessage(win::DWORD error) {
  char text[512] = {};
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return length > 0 ? message : Platform::FormatMessage(error);
}

void Win32Platform::OutputDebugString(const char* text) {
  ::OutputDebugStringA(text);
}

bool Win32Platform::GetProcessAffinityMask(std::uint64_t* processMask, std::uint64_t* systemMask) {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return false;
  if (processMask != nullptr) *processMask = process;
  if (systemMask != nullptr) *systemMask = system;
  return true;
}

bool Win32Platform::SetProcessAffinityMask(std::uint64_t mask) {
  return ::SetProcessAffinityMask(::GetCurrentProcess(), static_cast<DWORD_PTR>(mask)) != FALSE;
}

win::DWORD Win32Platform::GetCurrentThreadId() {
  return ::GetCurrentThreadId();
}

std::optional<std::string> Win32Platform::GetEnvironmentVariable(const std::string& name) {
  std::string value(256, '\0');
  for (;;) {
    // 0 is the answer both for a missing variable and for an empty value; the last error tells them apart.
    ::SetLastError(ERROR_SUCCESS);
    const ::DWORD length =
        ::GetEnvironmentVariableA(name.c_str(), value.data(), static_cast<::DWORD>(value.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    // Too small a buffer answers the size needed including the terminator, a fitting one the length.
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);
  }
}

std::uint64_t Win32Platform::GetTickCount64() {
  return ::GetTickCount64();
}

void Win32Platform::Sleep(win::DWORD milliseconds) {
  ::Sleep(milliseconds);
}

std::tm Win32Platform::LocalTime() {
  const std::time_t now = std::time(nullptr);
  // The C runtime of Windows keeps localtime's result per thread.
  const std::tm* local = std::localtime(&now);
  return local != nullptr ? *local : std::tm{};
}

bool Win32Platform::GetFixedLogicalDisks(std::vector<LogicalDisk>* disks) {
  char roots[4096] = {};
  const ::DWORD length = ::GetLogicalDriveStringsA(sizeof roots - 1, roots);
  if (length == 0 || length >= sizeof roots) return false;
  disks->clear();
  // The roots come as "C:\", "D:\", ..., each ended by a zero, the list by a second zero.
  for (const char* root = roots; *root != '\0'; root += std::strlen(root) + 1) {
    if (::GetDriveTypeA(root) != DRIVE_FIXED) continue;
    LogicalDisk disk;
    disk.deviceId = std::string(root, std::strlen(root) > 2 ? 2 : std::strlen(root));
    char label[MAX_PATH + 1] = {};
    char fileSystem[MAX_PATH + 1] = {};
    if (::GetVolumeInformationA(root, label, MAX_PATH, nullptr, nullptr, nullptr, fileSystem, MAX_PATH)) {
      disk.volumeName = label;
      disk.fileSystem = fileSystem;
    }
    ::ULARGE_INTEGER available, total, free;
    if (::GetDiskFreeSpaceExA(root, &available, &total, &free)) {
      disk.size = total.QuadPart;
      disk.freeSpace = free.QuadPart;
    }
    disks->push_back(std::move(disk));
  }
  return true;
}

std::string ModuleDirectory() {
  ::HMODULE self = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&ModuleDirectory), &self))
    return {};
  char path[MAX_PATH + 1] = {};
  const ::DWORD length = ::GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string directory(path, length);
  const std::size_t slash = directory.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
}

win::HMODULE Win32Platform::LoadLibrary(const std::string& name) {
  if (name.find_first_of("\\/") == std::string::npos) {
    const std::string beside = ModuleDirectory() + name;
    if (::GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
      if (::HMODULE module = ::LoadLibraryA(beside.c_str())) return module;
    }
  }
  return ::LoadLibraryA(name.c_str());
}

void* Win32Platform::GetProcAddress(win::HMODULE module, const std::string& name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<::HMODULE>(module), name.c_str()));
}

bool Win32Platform::FreeLibrary(win::HMODULE module) {
  return ::FreeLibrary(static_cast<::HMODULE>(module)) != 0;
}

win::DWORD Win32Platform::RegOpenKey(win::HKEY root, const std::string& subKey, win::DWORD access,
                                     win::HKEY* key) {
  ::HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExA(static_cast<::HKEY>(root), subKey.c_str(), 0, access, &opened);
  if (key != nullptr) *key = opened;
  return static_cast<win::DWORD>(status);
}

win::DWORD Win32Platform::RegCloseKey(win::HKEY key) {
  return static_cast<win::DWORD>(::RegCloseKey(static_cast<::HKEY>(key)));
}

win::DWORD Win32Platform::RegQueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                                        win::DWORD* size) {
  ::DWORD valueType = REG_NONE;
  ::DWORD valueSize = size != nullptr ? *size : 0;
  const LONG status = ::RegQueryValueExA(static_cast<::HKEY>(key), name.c_str(), nullptr, &valueType,
                                         static_cast<BYTE*>(data), size != nullptr ? &valueSize : nullptr);
  if (type != nullptr) *type = valueType;
  if (size != nullptr) *size = valueSize;
  return static_cast<win::DWORD>(status);
}

win::DWORD Win32Platform::QueryDosDevice(const std::string& name, char* buffer, win::DWORD size) {
  // No name lists every DOS device; an empty one would ask for a device named "".
  return ::QueryDosDeviceA(name.empty() ? nullptr : name.c_str(), buffer, size);
}

SetupResult Win32Platform::SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                                          std::vector<SetupDevice>* devices) {
  return Win32SetupEnumerate(setupClass, interfaceClass, devices);
}

bool Win32Platform::WmiQuery(const std::string& nameSpace, const std::string& query,
                             std::vector<WmiRow>* rows) {
  return Win32WmiQuery(nameSpace, query, rows);
}

win::DWORD Win32Platform::GetSystemFirmwareTable(win::DWORD provider, win::DWORD tableId, void* buffer,
                                                 win::DWORD size) {
  return ::GetSystemFirmwareTable(provider, tableId, buffer, size);
}

bool Win32Platform::HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                                       std::vector<win::HANDLE>* holds) {
  return Win32HoldDiskForWriting(devicePath, address, holds);
}

win::DWORD Win32Platform::GetTapeStatus(win::HANDLE handle) {
  return ::GetTapeStatus(handle);
}

win::DWORD Win32Platform::GetTapeParameters(win::HANDLE handle, win::DWORD operation, win::DWORD* size,
                                            void* information) {
  DWORD bytes = size != nullptr ? *size : 0;
  const DWORD error = ::GetTapeParameters(handle, operation, &bytes, information);
  if (size != nullptr) *size = bytes;
  return error;
}

win::DWORD Win32Platform::SetTapePosition(win::HANDLE handle, win::DWORD method, win::DWORD partition,
                                          win::DWORD offsetLow, win::DWORD offsetHigh, bool immediate) {
  return ::SetTapePosition(handle, method, partition, offsetLow, offsetHigh, immediate ? TRUE : FALSE);
}

win::DWORD Win32Platform::WriteTapemark(win::HANDLE handle, win::DWORD type, win::DWORD count,
                                        bool immediate) {
  return ::WriteTapemark(handle, type, count, immediate ? TRUE : FALSE);
}

}  // namespace os
