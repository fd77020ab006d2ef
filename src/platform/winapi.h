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
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_LOCK_VIOLATION = 33;
inline constexpr DWORD ERROR_HANDLE_EOF = 38;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_SEM_TIMEOUT = 121;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
inline constexpr DWORD ERROR_NOT_LOCKED = 158;
inline constexpr DWORD ERROR_BUSY = 170;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_ENVVAR_NOT_FOUND = 203;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;
inline constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;

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

// CreateFile flags and SetErrorMode.
inline constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000u;
inline constexpr DWORD SEM_FAILCRITICALERRORS = 0x0001u;

// SCSI port and storage requests. Access bits of CTL_CODE.
inline constexpr DWORD FILE_READ_ACCESS = 1;
inline constexpr DWORD FILE_WRITE_ACCESS = 2;
inline constexpr DWORD IOCTL_SCSI_BASE = 0x04;
inline constexpr DWORD IOCTL_STORAGE_BASE = 0x2D;
inline constexpr DWORD IOCTL_SCSI_PASS_THROUGH =
    CtlCode(IOCTL_SCSI_BASE, 0x401, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
inline constexpr DWORD IOCTL_SCSI_MINIPORT =
    CtlCode(IOCTL_SCSI_BASE, 0x402, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
inline constexpr DWORD IOCTL_SCSI_PASS_THROUGH_DIRECT =
    CtlCode(IOCTL_SCSI_BASE, 0x405, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
inline constexpr DWORD IOCTL_STORAGE_EJECT_MEDIA =
    CtlCode(IOCTL_STORAGE_BASE, 0x202, METHOD_BUFFERED, FILE_READ_ACCESS);
static_assert(IOCTL_SCSI_PASS_THROUGH == 0x4D004 && IOCTL_SCSI_MINIPORT == 0x4D008);
static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == 0x4D014 && IOCTL_STORAGE_EJECT_MEDIA == 0x2D4808);

// SCSI_PASS_THROUGH_DIRECT.DataIn.
inline constexpr std::uint8_t SCSI_IOCTL_DATA_OUT = 0;
inline constexpr std::uint8_t SCSI_IOCTL_DATA_IN = 1;
inline constexpr std::uint8_t SCSI_IOCTL_DATA_UNSPECIFIED = 2;

// The pass-through header with the caller's buffer address (SCSI_PASS_THROUGH_DIRECT). The layouts
// below are those of 64-bit Windows, which is what the component is built for.
struct ScsiPassThroughDirect {
  std::uint16_t Length;
  std::uint8_t ScsiStatus;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t CdbLength;
  std::uint8_t SenseInfoLength;
  std::uint8_t DataIn;
  DWORD DataTransferLength;
  DWORD TimeOutValue;
  void* DataBuffer;
  DWORD SenseInfoOffset;
  std::uint8_t Cdb[16];
};
// The pass-through header whose data follows it in the same buffer (SCSI_PASS_THROUGH).
struct ScsiPassThrough {
  std::uint16_t Length;
  std::uint8_t ScsiStatus;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t CdbLength;
  std::uint8_t SenseInfoLength;
  std::uint8_t DataIn;
  DWORD DataTransferLength;
  DWORD TimeOutValue;
  std::uintptr_t DataBufferOffset;
  DWORD SenseInfoOffset;
  std::uint8_t Cdb[16];
};
static_assert(sizeof(void*) == 8, "the request layouts are those of 64-bit Windows");
static_assert(sizeof(ScsiPassThroughDirect) == 56 && sizeof(ScsiPassThrough) == 56);
static_assert(offsetof(ScsiPassThroughDirect, ScsiStatus) == 2 &&
              offsetof(ScsiPassThroughDirect, DataIn) == 8);
static_assert(offsetof(ScsiPassThroughDirect, DataTransferLength) == 12);
static_assert(offsetof(ScsiPassThroughDirect, TimeOutValue) == 16);
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == 24);
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) == 32 &&
              offsetof(ScsiPassThroughDirect, Cdb) == 36);
static_assert(offsetof(ScsiPassThrough, DataBufferOffset) == 24 && offsetof(ScsiPassThrough, Cdb) == 36);

// The component's direct pass-through request: the header, a filler and 36 sense bytes.
struct ScsiPassThroughDirectWithSense {
  ScsiPassThroughDirect header;
  DWORD filler;
  std::uint8_t sense[36];
};
static_assert(sizeof(ScsiPassThroughDirectWithSense) == 96);
static_assert(offsetof(ScsiPassThroughDirectWithSense, sense) == 60);

// Buffered pass-through requests of the optical-drive functions: header, filler, sense, data.
template <std::size_t SenseBytes, std::size_t DataBytes>
struct ScsiPassThroughWithBuffers {
  ScsiPassThrough header;
  DWORD filler;
  std::uint8_t sense[SenseBytes];
  std::uint8_t data[DataBytes];
};
using OpticalPassThrough = ScsiPassThroughWithBuffers<256, 33028>;
using TrackInfoPassThrough = ScsiPassThroughWithBuffers<32, 36>;
struct NoDataPassThrough {
  ScsiPassThrough header;
  DWORD filler;
  std::uint8_t sense[32];
};
static_assert(sizeof(OpticalPassThrough) == 33344 && offsetof(OpticalPassThrough, sense) == 60);
static_assert(offsetof(OpticalPassThrough, data) == 316);
static_assert(sizeof(TrackInfoPassThrough) == 128 && offsetof(TrackInfoPassThrough, data) == 92);
// Sent with the length of its members (92 bytes), short of the structure's 8-byte alignment.
inline constexpr DWORD kNoDataPassThroughLength =
    offsetof(NoDataPassThrough, sense) + sizeof(NoDataPassThrough::sense);
static_assert(kNoDataPassThroughLength == 92 && offsetof(NoDataPassThrough, sense) == 60);

// The header of every miniport request (SRB_IO_CONTROL).
struct SrbIoControl {
  DWORD HeaderLength;
  std::uint8_t Signature[8];
  DWORD Timeout;
  DWORD ControlCode;
  DWORD ReturnCode;
  DWORD Length;
};
static_assert(sizeof(SrbIoControl) == 28);
static_assert(offsetof(SrbIoControl, Signature) == 4 && offsetof(SrbIoControl, Timeout) == 12);
static_assert(offsetof(SrbIoControl, ControlCode) == 16 && offsetof(SrbIoControl, ReturnCode) == 20);
static_assert(offsetof(SrbIoControl, Length) == 24);

// CSMI (the Common Storage Management Interface) over IOCTL_SCSI_MINIPORT. Control codes, return
// codes and the buffers of the codes the component sends; the layouts are those of the published
// CSMI header (8-byte packing, natural alignment).
inline constexpr DWORD CC_CSMI_SAS_GET_DRIVER_INFO = 1;
inline constexpr DWORD CC_CSMI_SAS_GET_CNTLR_CONFIG = 2;
inline constexpr DWORD CC_CSMI_SAS_GET_RAID_INFO = 10;
inline constexpr DWORD CC_CSMI_SAS_GET_RAID_CONFIG = 11;
inline constexpr DWORD CC_CSMI_SAS_GET_PHY_INFO = 20;
inline constexpr DWORD CC_CSMI_SAS_SSP_PASSTHRU = 24;
inline constexpr DWORD CC_CSMI_SAS_STP_PASSTHRU = 25;
inline constexpr DWORD CSMI_SAS_STATUS_SUCCESS = 0;
inline constexpr DWORD CSMI_SAS_STATUS_FAILED = 1;
inline constexpr DWORD CSMI_SAS_STATUS_BAD_CNTL_CODE = 2;
inline constexpr DWORD CSMI_SAS_STATUS_INVALID_PARAMETER = 3;
inline constexpr DWORD CSMI_SAS_STATUS_WRITE_ATTEMPTED = 4;
inline constexpr DWORD CSMI_SAS_NO_DEVICE_ATTACHED = 5;  // the first of the "not an error" codes
// Return codes of the RAID requests.
inline constexpr DWORD CSMI_SAS_RAID_SET_OUT_OF_RANGE = 1000;
inline constexpr DWORD CSMI_SAS_RAID_SET_BUFFER_TOO_SMALL = 1001;
// RAID set types (bRaidType), set status (bStatus), the drive count of a set whose drives did not all
// fit the answer (bDriveCount), and a drive's usage and type (bDriveUsage, bDriveType).
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_NONE = 0;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_0 = 1;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_1 = 2;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_10 = 3;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_5 = 4;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_15 = 5;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_6 = 6;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_50 = 7;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_VOLUME = 8;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_1E = 9;
inline constexpr std::uint8_t CSMI_SAS_RAID_TYPE_OTHER = 255;
inline constexpr std::uint8_t CSMI_SAS_RAID_SET_STATUS_OK = 0;
inline constexpr std::uint8_t CSMI_SAS_RAID_SET_STATUS_DEGRADED = 1;
inline constexpr std::uint8_t CSMI_SAS_RAID_SET_STATUS_REBUILDING = 2;
inline constexpr std::uint8_t CSMI_SAS_RAID_SET_STATUS_FAILED = 3;
inline constexpr std::uint8_t CSMI_SAS_RAID_SET_STATUS_OFFLINE = 4;
inline constexpr std::uint8_t CSMI_SAS_RAID_DRIVE_COUNT_TOO_BIG = 0xF1;
inline constexpr std::uint8_t CSMI_SAS_DRIVE_CONFIG_MEMBER = 1;
inline constexpr std::uint8_t CSMI_SAS_DRIVE_TYPE_SINGLE_PORT_SAS = 1;
inline constexpr std::uint8_t CSMI_SAS_DRIVE_TYPE_SATA = 3;
// Pass-through flags, connection status and data-present values.
inline constexpr DWORD CSMI_SAS_SSP_READ = 0x01;
inline constexpr DWORD CSMI_SAS_SSP_WRITE = 0x02;
inline constexpr DWORD CSMI_SAS_SSP_UNSPECIFIED = 0x04;
inline constexpr DWORD CSMI_SAS_STP_READ = 0x01;
inline constexpr DWORD CSMI_SAS_STP_WRITE = 0x02;
inline constexpr DWORD CSMI_SAS_STP_UNSPECIFIED = 0x04;
inline constexpr DWORD CSMI_SAS_STP_PIO = 0x10;
inline constexpr std::uint8_t CSMI_SAS_OPEN_ACCEPT = 0;
inline constexpr std::uint8_t CSMI_SAS_SSP_NO_DATA_PRESENT = 0;
inline constexpr std::uint8_t CSMI_SAS_SSP_RESPONSE_DATA_PRESENT = 1;
inline constexpr std::uint8_t CSMI_SAS_SSP_SENSE_DATA_PRESENT = 2;
// Protocol bits (initiator and target port protocols).
inline constexpr std::uint8_t CSMI_SAS_PROTOCOL_SATA = 0x01;
inline constexpr std::uint8_t CSMI_SAS_PROTOCOL_SMP = 0x02;
inline constexpr std::uint8_t CSMI_SAS_PROTOCOL_STP = 0x04;
inline constexpr std::uint8_t CSMI_SAS_PROTOCOL_SSP = 0x08;

struct CsmiSasDriverInfo {
  std::uint8_t szName[81];
  std::uint8_t szDescription[81];
  std::uint16_t usMajorRevision;
  std::uint16_t usMinorRevision;
  std::uint16_t usBuildRevision;
  std::uint16_t usReleaseRevision;
  std::uint16_t usCSMIMajorRevision;
  std::uint16_t usCSMIMinorRevision;
};
struct CsmiSasDriverInfoBuffer {
  SrbIoControl IoctlHeader;
  CsmiSasDriverInfo Information;
};
static_assert(sizeof(CsmiSasDriverInfo) == 174 && sizeof(CsmiSasDriverInfoBuffer) == 204);

struct CsmiSasPciBusAddress {
  std::uint8_t bBusNumber;
  std::uint8_t bDeviceNumber;
  std::uint8_t bFunctionNumber;
  std::uint8_t bReserved;
};
struct CsmiSasCntlrConfig {
  DWORD uBaseIoAddress;
  DWORD uBaseMemoryLowPart;
  DWORD uBaseMemoryHighPart;
  DWORD uBoardID;
  std::uint16_t usSlotNumber;
  std::uint8_t bControllerClass;
  std::uint8_t bIoBusType;
  union {
    CsmiSasPciBusAddress PciAddress;
    std::uint8_t bReserved[32];
  } BusAddress;
  std::uint8_t szSerialNumber[81];
  std::uint16_t usMajorRevision;
  std::uint16_t usMinorRevision;
  std::uint16_t usBuildRevision;
  std::uint16_t usReleaseRevision;
  std::uint16_t usBIOSMajorRevision;
  std::uint16_t usBIOSMinorRevision;
  std::uint16_t usBIOSBuildRevision;
  std::uint16_t usBIOSReleaseRevision;
  DWORD uControllerFlags;
  std::uint16_t usRromRevision[4];
  std::uint16_t usRromBIOSRevision[4];
  std::uint8_t bReserved[7];
};
struct CsmiSasCntlrConfigBuffer {
  SrbIoControl IoctlHeader;
  CsmiSasCntlrConfig Configuration;
};
static_assert(sizeof(CsmiSasCntlrConfig) == 180 && sizeof(CsmiSasCntlrConfigBuffer) == 208);
static_assert(offsetof(CsmiSasCntlrConfig, BusAddress) == 20 &&
              offsetof(CsmiSasCntlrConfig, szSerialNumber) == 52);
static_assert(offsetof(CsmiSasCntlrConfig, uControllerFlags) == 152);

struct CsmiSasRaidInfo {
  DWORD uNumRaidSets;
  DWORD uMaxDrivesPerSet;
  DWORD uMaxRaidSets;
  std::uint8_t bMaxRaidTypes;
  std::uint8_t bReservedByteFields[7];
  DWORD ulMinRaidSetBlocks[2];
  DWORD ulMaxRaidSetBlocks[2];
  DWORD uMaxPhysicalDrives;
  DWORD uMaxExtents;
  DWORD uMaxModules;
  DWORD uMaxTransformationMemory;
  DWORD uChangeCount;
  std::uint8_t bReserved[44];
};
struct CsmiSasRaidInfoBuffer {
  SrbIoControl IoctlHeader;
  CsmiSasRaidInfo Information;
};
static_assert(sizeof(CsmiSasRaidInfo) == 100 && sizeof(CsmiSasRaidInfoBuffer) == 128);

// One drive of a RAID set in the configuration answer.
struct CsmiSasRaidDrives {
  std::uint8_t bModel[40];
  std::uint8_t bFirmware[8];
  std::uint8_t bSerialNumber[40];
  std::uint8_t bSASAddress[8];
  std::uint8_t bSASLun[8];
  std::uint8_t bDriveStatus;
  std::uint8_t bDriveUsage;
  std::uint16_t usBlockSize;
  std::uint8_t bDriveType;
  std::uint8_t bReserved[15];
  DWORD uDriveIndex;
  DWORD ulTotalUserBlocks[2];
};
static_assert(sizeof(CsmiSasRaidDrives) == 136);
// The configuration of one RAID set: a fixed part and as many drive records as the set has (one here;
// a caller that wants more sends a longer buffer).
struct CsmiSasRaidConfig {
  DWORD uRaidSetIndex;
  DWORD uCapacity;
  DWORD uStripeSize;
  std::uint8_t bRaidType;
  std::uint8_t bStatus;
  std::uint8_t bInformation;
  std::uint8_t bDriveCount;
  std::uint8_t bDataType;
  std::uint8_t bReserved[11];
  DWORD uFailureCode;
  DWORD uChangeCount;
  CsmiSasRaidDrives Drives[1];
};
struct CsmiSasRaidConfigBuffer {
  SrbIoControl IoctlHeader;
  CsmiSasRaidConfig Configuration;
};
static_assert(offsetof(CsmiSasRaidConfig, Drives) == 36 && sizeof(CsmiSasRaidConfig) == 172);
static_assert(sizeof(CsmiSasRaidConfigBuffer) == 200);

struct CsmiSasIdentify {
  std::uint8_t bDeviceType;
  std::uint8_t bRestricted;
  std::uint8_t bInitiatorPortProtocol;
  std::uint8_t bTargetPortProtocol;
  std::uint8_t bRestricted2[8];
  std::uint8_t bSASAddress[8];
  std::uint8_t bPhyIdentifier;
  std::uint8_t bSignalClass;
  std::uint8_t bReserved[6];
};
struct CsmiSasPhyEntity {
  CsmiSasIdentify Identify;
  std::uint8_t bPortIdentifier;
  std::uint8_t bNegotiatedLinkRate;
  std::uint8_t bMinimumLinkRate;
  std::uint8_t bMaximumLinkRate;
  std::uint8_t bPhyChangeCount;
  std::uint8_t bAutoDiscover;
  std::uint8_t bPhyFeatures;
  std::uint8_t bReserved;
  CsmiSasIdentify Attached;
};
inline constexpr std::size_t kCsmiMaxPhys = 32;
struct CsmiSasPhyInfo {
  std::uint8_t bNumberOfPhys;
  std::uint8_t bReserved[3];
  CsmiSasPhyEntity Phy[kCsmiMaxPhys];
};
struct CsmiSasPhyInfoBuffer {
  SrbIoControl IoctlHeader;
  CsmiSasPhyInfo Information;
};
static_assert(sizeof(CsmiSasIdentify) == 28 && sizeof(CsmiSasPhyEntity) == 64);
static_assert(sizeof(CsmiSasPhyInfo) == 2052 && sizeof(CsmiSasPhyInfoBuffer) == 2080);

struct CsmiSasSspPassthru {
  std::uint8_t bPhyIdentifier;
  std::uint8_t bPortIdentifier;
  std::uint8_t bConnectionRate;
  std::uint8_t bReserved;
  std::uint8_t bDestinationSASAddress[8];
  std::uint8_t bLun[8];
  std::uint8_t bCDBLength;
  std::uint8_t bAdditionalCDBLength;
  std::uint8_t bReserved2[2];
  std::uint8_t bCDB[16];
  DWORD uFlags;
  std::uint8_t bAdditionalCDB[24];
  DWORD uDataLength;
};
struct CsmiSasSspPassthruStatus {
  std::uint8_t bConnectionStatus;
  std::uint8_t bSSPStatus;
  std::uint8_t bReserved[2];
  std::uint8_t bDataPresent;
  std::uint8_t bStatus;
  std::uint8_t bResponseLength[2];
  std::uint8_t bResponse[256];
  DWORD uDataBytes;
};
// The data of the request follows the status (at kCsmiSspDataOffset); the buffer is
// kCsmiSspBufferBase + data length bytes.
struct CsmiSasSspPassthruBuffer {
  SrbIoControl IoctlHeader;
  CsmiSasSspPassthru Parameters;
  CsmiSasSspPassthruStatus Status;
};
inline constexpr std::size_t kCsmiSspDataOffset = sizeof(CsmiSasSspPassthruBuffer);
inline constexpr std::size_t kCsmiSspBufferBase = 372;
static_assert(sizeof(CsmiSasSspPassthru) == 72 && sizeof(CsmiSasSspPassthruStatus) == 268);
static_assert(kCsmiSspDataOffset == 368 && offsetof(CsmiSasSspPassthruBuffer, Status) == 100);

struct CsmiSasStpPassthru {
  std::uint8_t bPhyIdentifier;
  std::uint8_t bPortIdentifier;
  std::uint8_t bConnectionRate;
  std::uint8_t bReserved;
  std::uint8_t bDestinationSASAddress[8];
  std::uint8_t bReserved2[4];
  std::uint8_t bCommandFIS[20];
  DWORD uFlags;
  DWORD uDataLength;
};
struct CsmiSasStpPassthruStatus {
  std::uint8_t bConnectionStatus;
  std::uint8_t bReserved[3];
  std::uint8_t bStatusFIS[20];
  DWORD uSCR[16];
  DWORD uDataBytes;
};
struct CsmiSasStpPassthruBuffer {
  SrbIoControl IoctlHeader;
  CsmiSasStpPassthru Parameters;
  CsmiSasStpPassthruStatus Status;
};
inline constexpr std::size_t kCsmiStpDataOffset = sizeof(CsmiSasStpPassthruBuffer);
inline constexpr std::size_t kCsmiStpBufferBase = 168;
static_assert(sizeof(CsmiSasStpPassthru) == 44 && sizeof(CsmiSasStpPassthruStatus) == 92);
static_assert(kCsmiStpDataOffset == 164 && offsetof(CsmiSasStpPassthruBuffer, Status) == 72);

// Registry value types and the errors of value queries and enumerations.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;

// The SCSI port's own requests: the inquiry data of every unit it found, and the address of a disk,
// optical or tape device on its port.
inline constexpr DWORD IOCTL_SCSI_GET_INQUIRY_DATA = CtlCode(IOCTL_SCSI_BASE, 0x403, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_SCSI_GET_ADDRESS = CtlCode(IOCTL_SCSI_BASE, 0x406, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(IOCTL_SCSI_GET_INQUIRY_DATA == 0x4100C && IOCTL_SCSI_GET_ADDRESS == 0x41018);

// SCSI_ADDRESS.
struct ScsiAddress {
  DWORD Length;
  std::uint8_t PortNumber;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
};
static_assert(sizeof(ScsiAddress) == 8);

// IOCTL_SCSI_GET_INQUIRY_DATA answers SCSI_ADAPTER_BUS_INFO: the count of buses and one SCSI_BUS_DATA
// per bus, whose offset (from the start of the answer) leads to a chain of SCSI_INQUIRY_DATA records,
// each with the offset of the next (0 ends the chain) and its unit's standard INQUIRY data.
struct ScsiBusData {
  std::uint8_t NumberOfLogicalUnits;
  std::uint8_t InitiatorBusId;
  DWORD InquiryDataOffset;
};
struct ScsiAdapterBusInfo {
  std::uint8_t NumberOfBuses;
  ScsiBusData BusData[1];
};
struct ScsiInquiryData {
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t DeviceClaimed;
  DWORD InquiryDataLength;
  DWORD NextInquiryDataOffset;
  std::uint8_t InquiryData[1];
};
static_assert(sizeof(ScsiBusData) == 8 && offsetof(ScsiBusData, InquiryDataOffset) == 4);
static_assert(sizeof(ScsiAdapterBusInfo) == 12 && offsetof(ScsiAdapterBusInfo, BusData) == 4);
static_assert(offsetof(ScsiInquiryData, InquiryDataLength) == 4 && offsetof(ScsiInquiryData, InquiryData) == 12);

// A class or interface GUID, as the Windows headers lay it out.
struct Guid {
  DWORD Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
  friend bool operator==(const Guid&, const Guid&) = default;
};
static_assert(sizeof(Guid) == 16);

// Device setup classes and device interface classes that discovery enumerates.
inline constexpr Guid GUID_DEVCLASS_FLOPPYDISK = {0x4D36E980, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr Guid GUID_DEVCLASS_DISKDRIVE = {0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr Guid GUID_DEVCLASS_TAPEDRIVE = {0x6D807884, 0x7D21, 0x11CF, {0x80, 0x1C, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr Guid GUID_DEVCLASS_CDROM = {0x4D36E965, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr Guid GUID_DEVINTERFACE_FLOPPY = {0x53F56311, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
inline constexpr Guid GUID_DEVINTERFACE_DISK = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
inline constexpr Guid GUID_DEVINTERFACE_TAPE = {0x53F5630B, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
inline constexpr Guid GUID_DEVINTERFACE_CDROM = {0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

// SetupDiGetClassDevs flags and the registry properties of a device (SPDRP_*).
inline constexpr DWORD DIGCF_PRESENT = 0x02;
inline constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;
inline constexpr DWORD SPDRP_DEVICEDESC = 0x00;
inline constexpr DWORD SPDRP_HARDWAREID = 0x01;
inline constexpr DWORD SPDRP_COMPATIBLEIDS = 0x02;
inline constexpr DWORD SPDRP_SERVICE = 0x04;
inline constexpr DWORD SPDRP_CLASS = 0x07;
inline constexpr DWORD SPDRP_MFG = 0x0B;
inline constexpr DWORD SPDRP_FRIENDLYNAME = 0x0C;
inline constexpr DWORD SPDRP_LOCATION_INFORMATION = 0x0D;
inline constexpr DWORD SPDRP_PHYSICAL_DEVICE_OBJECT_NAME = 0x0E;
inline constexpr DWORD SPDRP_ENUMERATOR_NAME = 0x16;

// Predefined registry roots: sign-extended 32-bit values, as the Windows headers define them.
inline const HKEY HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));

}  // namespace win
