#pragma once

// Windows constants and structures the component uses, with fixed-width types so that every backend
// sees the same byte layouts. Values follow the Windows SDK headers.

#include <cstddef>
#include <cstdint>

namespace win {

using HANDLE = void*;
using HMODULE = void*;
using HKEY = void*;
using DWORD = std::uint32_t;
using BOOL = std::int32_t;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
// The pseudo-handle GetCurrentProcess answers: "this process", never closed. It has the value of
// INVALID_HANDLE_VALUE; which one is meant depends on the call.
inline const HANDLE CURRENT_PROCESS = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// CreateFile access, sharing, disposition and attributes.
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD FILE_SHARE_READ = 0x00000001u;
inline constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;

// GetFileType answers and MoveFileEx flags.
inline constexpr DWORD FILE_TYPE_UNKNOWN = 0;
inline constexpr DWORD FILE_TYPE_DISK = 1;
inline constexpr DWORD FILE_TYPE_CHAR = 2;
inline constexpr DWORD FILE_TYPE_PIPE = 3;
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

// SetFilePointer move methods.
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;

// System error codes.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_FUNCTION = 1;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_NOT_READY = 21;
inline constexpr DWORD ERROR_WRITE_PROTECT = 19;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_LOCK_VIOLATION = 33;
inline constexpr DWORD ERROR_HANDLE_EOF = 38;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
inline constexpr DWORD ERROR_NOT_LOCKED = 158;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_ENVVAR_NOT_FOUND = 203;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;

// What WaitForSingleObject answers when the time ran out before the object was signalled.
inline constexpr DWORD WAIT_TIMEOUT = 258;

// Device control codes: CTL_CODE(deviceType, function, method, access) =
// deviceType << 16 | access << 14 | function << 2 | method.
inline constexpr DWORD CtlCode(DWORD deviceType, DWORD function, DWORD method, DWORD access) {
  return deviceType << 16 | access << 14 | function << 2 | method;
}
inline constexpr DWORD FILE_DEVICE_UNKNOWN = 0x22;
inline constexpr DWORD METHOD_BUFFERED = 0;
inline constexpr DWORD FILE_ANY_ACCESS = 0;

// The port-I/O driver (\\.\qxdvmkd): read and write of one I/O port, both with a PortIoRequest as
// input and output.
inline constexpr DWORD IOCTL_READ_IO_PORT = CtlCode(FILE_DEVICE_UNKNOWN, 3, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_WRITE_IO_PORT =
    CtlCode(FILE_DEVICE_UNKNOWN, 4, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(IOCTL_READ_IO_PORT == 0x22000C && IOCTL_WRITE_IO_PORT == 0x220010);

// The port-I/O driver's request record. `value` is the byte, word or double word written, or the one
// read (in its low `width` bytes).
struct PortIoRequest {
  DWORD port;
  DWORD reserved;  // zero
  DWORD width;     // bytes: 1, 2 or 4
  DWORD value;
};
static_assert(sizeof(PortIoRequest) == 16);
static_assert(offsetof(PortIoRequest, port) == 0 && offsetof(PortIoRequest, reserved) == 4);
static_assert(offsetof(PortIoRequest, width) == 8 && offsetof(PortIoRequest, value) == 12);

// GetSystemFirmwareTable: the provider signature of the raw SMBIOS tables ('RSMB') and the header of
// its answer (RawSMBIOSData), which the structure table of `length` bytes follows.
inline constexpr DWORD RSMB = 0x52534D42u;
struct RawSmbiosDataHeader {
  std::uint8_t used20CallingMethod;
  std::uint8_t majorVersion;
  std::uint8_t minorVersion;
  std::uint8_t dmiRevision;
  DWORD length;
};
static_assert(sizeof(RawSmbiosDataHeader) == 8);
static_assert(offsetof(RawSmbiosDataHeader, dmiRevision) == 3 && offsetof(RawSmbiosDataHeader, length) == 4);

// Predefined registry roots: sign-extended 32-bit values, as the Windows headers define them.
inline const HKEY HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));

}  // namespace win
