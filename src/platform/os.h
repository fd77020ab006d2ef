#pragma once

// The operating-system seam. The component is written against Windows semantics; every call it makes
// to the operating system goes through os::Current(), and nothing outside src/platform includes an OS
// header. Backends: win32 (the real API), linux (the Windows view translated onto Linux) and sim (a
// simulated machine read from the description file named by RAVELBANK_MACHINE).

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/logicaldisk.h"
#include "platform/setupdevice.h"
#include "platform/winapi.h"
#include "platform/winstorage.h"
#include "platform/wmirow.h"

namespace os {

class Platform {
 public:
  virtual ~Platform() = default;
  // The backend's name for traces and tests: "win32", "linux" or "sim".
  virtual const char* Name() const = 0;

  // Files and devices. Paths are written as on Windows; failures answer INVALID_HANDLE_VALUE or false
  // and set the calling thread's last error.
  virtual win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share,
                                 win::DWORD disposition, win::DWORD flagsAndAttributes) = 0;
  virtual bool CloseHandle(win::HANDLE handle) = 0;
  virtual bool ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) = 0;
  virtual bool WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) = 0;
  // SetFilePointerEx: moves by `distance` from FILE_BEGIN, FILE_CURRENT or FILE_END.
  virtual bool SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                              win::DWORD moveMethod) = 0;
  // Non-blocking exclusive lock of a byte range (a read-only handle gets the strongest lock it can hold).
  virtual bool LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) = 0;
  virtual bool UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) = 0;
  // Sends a control code to the device of a handle. `in` is read and `out` written by the device as
  // the code defines; `returned` (when not null) receives the count of bytes written to `out`.
  virtual bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength,
                               void* out, win::DWORD outLength, win::DWORD* returned) = 0;
  // FILE_TYPE_DISK for a regular file; FILE_TYPE_PIPE, FILE_TYPE_CHAR (a device) or FILE_TYPE_UNKNOWN.
  // Opening a file never waits for a peer (a FIFO opens at once), so that a reader can ask this first.
  virtual win::DWORD GetFileType(win::HANDLE handle) = 0;
  // Writes what the handle's file holds through to its device.
  virtual bool FlushFileBuffers(win::HANDLE handle) = 0;
  // MoveFileEx with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH: renames a file, replacing
  // `to` in one step (neither follows a symbolic link).
  virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;

  // The calling thread's last error.
  virtual win::DWORD GetLastError() = 0;
  virtual void SetLastError(win::DWORD error) = 0;
  // The system's message text for an error code (FormatMessage, language-neutral, without the
  // trailing line break). Backends without a message table answer the Windows texts of the codes
  // they produce (see systemmessage.cpp).
  virtual std::string FormatMessage(win::DWORD error);
  // Which errors the system reports itself (a dialog for a drive without a medium) and which it leaves
  // to the caller; answers the previous mode. Only Windows has such dialogs: elsewhere nothing happens.
  virtual win::DWORD SetErrorMode(win::DWORD) { return 0; }

  // Process.
  virtual void OutputDebugString(const char* text) = 0;
  // The processors the process may run on and the processors of the system, one bit per processor
  // (bit n is processor n; processors from 64 on are not represented).
  virtual bool GetProcessAffinityMask(std::uint64_t* processMask, std::uint64_t* systemMask) = 0;
  // Restricts every thread of the process to the processors of the mask, which must be a non-empty
  // subset of the system mask (ERROR_INVALID_PARAMETER otherwise).
  virtual bool SetProcessAffinityMask(std::uint64_t mask) = 0;
  // The calling thread's system-wide identifier.
  virtual win::DWORD GetCurrentThreadId() = 0;
  virtual std::optional<std::string> GetEnvironmentVariable(const std::string& name) = 0;
  virtual std::uint64_t GetTickCount64() = 0;
  virtual void Sleep(win::DWORD milliseconds) = 0;
  // The local wall-clock time, broken down as std::localtime does.
  virtual std::tm LocalTime() = 0;
  // The local fixed volumes; false when they cannot be read.
  virtual bool GetFixedLogicalDisks(std::vector<LogicalDisk>* disks) = 0;

  // Libraries, named as on Windows ("strtrans.dll", "qlsdm"); each backend maps the name to its own
  // file and looks beside the component first. Null on failure, with the last error set.
  virtual win::HMODULE LoadLibrary(const std::string& name) = 0;
  virtual void* GetProcAddress(win::HMODULE module, const std::string& name) = 0;
  virtual bool FreeLibrary(win::HMODULE module) = 0;

  // The registry (HKEY_LOCAL_MACHINE and keys below it). Answers ERROR_SUCCESS or the error code, as
  // RegOpenKeyEx does.
  virtual win::DWORD RegOpenKey(win::HKEY root, const std::string& subKey, win::DWORD access,
                                win::HKEY* key) = 0;
  virtual win::DWORD RegCloseKey(win::HKEY key) = 0;
  // RegQueryValueEx on an open key: the type and bytes of a named value. `size` gives the buffer's
  // size and receives the value's; ERROR_MORE_DATA when the buffer is too small (a null `data` asks
  // for the size alone, with ERROR_SUCCESS), ERROR_FILE_NOT_FOUND when there is no such value.
  virtual win::DWORD RegQueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                                   win::DWORD* size);

  // QueryDosDevice. With an empty name: every DOS device name ("PhysicalDrive0", "CdRom0", "Tape0",
  // "C:", ...), each followed by a NUL, the list by a second NUL; with a name: what it stands for
  // ("\Device\Harddisk0\DR0"), the same way. Answers the count of characters stored; 0 on failure,
  // with the last error (ERROR_INSUFFICIENT_BUFFER when the list does not fit, ERROR_FILE_NOT_FOUND
  // for an unknown name).
  virtual win::DWORD QueryDosDevice(const std::string& name, char* buffer, win::DWORD size);

  // The device installer: the present devices of a setup class, each with its interface of the
  // interface class (SetupDiGetClassDevs with DIGCF_PRESENT, then with DIGCF_DEVICEINTERFACE; devices
  // and interfaces enumerated and their registry properties read). `devices` is replaced. On failure
  // the last error is set and the answer names the information set that could not be made.
  virtual SetupResult SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                                     std::vector<SetupDevice>* devices);

  // One query of the management instrumentation in a namespace ("\\.\root\cimv2"), WQL as Windows
  // takes it; `rows` is replaced by the rows' properties as text. False, with no rows, when the
  // service cannot be reached or rejects the query.
  virtual bool WmiQuery(const std::string& nameSpace, const std::string& query, std::vector<WmiRow>* rows);

  // Takes a disk for writing, so that nothing is written under a mounted file system. The disk is the
  // one at `devicePath` ("\\.\PhysicalDrive2", "\\.\CdRom0", "\\.\Floppy0") or, when the path is a
  // SCSI port's ("\\.\SCSI2:"), the one at `address` on that port. On success `holds` receives the
  // handles that keep the disk taken (none when nothing else could claim it, such as a disk the system
  // has no device for); the caller closes them with CloseHandle when its write is done. Fails with
  // ERROR_BUSY while a mounted file system or another program holds the disk (Windows: a volume of the
  // disk cannot be locked; Linux: the block device cannot be opened exclusively), with the last error set
  // and nothing held. The base answers ERROR_NOT_SUPPORTED: a backend that cannot tell refuses.
  virtual bool HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                                  std::vector<win::HANDLE>* holds);

  // Tape drives: the tape functions on a handle of a tape device (\\.\TapeN), as Windows defines them.
  // Each answers ERROR_SUCCESS or the error (a tape error such as ERROR_NO_MEDIA_IN_DRIVE), which it
  // also leaves as the last error. The base answers ERROR_NOT_SUPPORTED: a backend without tapes.
  //
  // GetTapeStatus: whether the drive is ready to take commands.
  virtual win::DWORD GetTapeStatus(win::HANDLE handle);
  // GetTapeParameters: for GET_TAPE_DRIVE_INFORMATION a TapeGetDriveParameters (wintape.h); `size`
  // gives the buffer's size and receives the count of bytes written.
  virtual win::DWORD GetTapeParameters(win::HANDLE handle, win::DWORD operation, win::DWORD* size,
                                       void* information);
  // SetTapePosition: TAPE_REWIND and the other methods of wintape.h.
  virtual win::DWORD SetTapePosition(win::HANDLE handle, win::DWORD method, win::DWORD partition,
                                     win::DWORD offsetLow, win::DWORD offsetHigh, bool immediate);
  // WriteTapemark: `count` marks of a type (TAPE_FILEMARKS, TAPE_SETMARKS, ...) at the position.
  virtual win::DWORD WriteTapemark(win::HANDLE handle, win::DWORD type, win::DWORD count, bool immediate);

  // System firmware tables, as GetSystemFirmwareTable does it. Provider win::RSMB (table id 0) is the
  // SMBIOS structure table behind a RawSmbiosDataHeader. Answers the count of bytes written; when
  // `size` is too small (0 to ask), the size needed, with ERROR_INSUFFICIENT_BUFFER; 0 on failure, with
  // the last error set.
  virtual win::DWORD GetSystemFirmwareTable(win::DWORD provider, win::DWORD tableId, void* buffer,
                                            win::DWORD size) = 0;
};

// The error raised when a simulated machine description cannot be used; the message names the file.
class MachineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The process-wide backend. On first use: the simulated machine when RAVELBANK_MACHINE names a
// description (raising MachineError when it is missing or malformed), the native backend otherwise.
Platform& Current();
// Replaces the process-wide backend (tests, hosts that select a machine); null restores the default
// choice on the next Current(). Answers the previous backend (null when that was the native backend,
// which is never owned, or when none had been chosen). A caller that destroys the answer must know
// that no other thread still uses it.
std::unique_ptr<Platform> Install(std::unique_ptr<Platform> backend);
// The backend of the operating system the code was built for (linux or win32); never the simulation.
Platform& Native();

// The directory of the binary that holds this code (the component library, a suite library or a test
// program that links the code statically), with its trailing separator; empty when it cannot be told.
std::string ModuleDirectory();

}  // namespace os
