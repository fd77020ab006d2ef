#pragma once

// The Windows disk-driver requests of the ATA family, as the component sends them on every backend:
// the SMART requests of the disk driver, the IDE pass-through, the SCSI miniport's SMART requests, the
// removable-media and floppy requests and the volume lock. The layouts are those of 64-bit Windows;
// win32layouts.cpp proves them equal to the Windows headers'.

#include <cstddef>
#include <cstdint>

#include "platform/winapi.h"

namespace win {

inline constexpr DWORD IOCTL_DISK_BASE = 0x07;
inline constexpr DWORD FILE_DEVICE_FILE_SYSTEM = 0x09;

// SMART requests of the disk driver (SMART_GET_VERSION, SMART_SEND_DRIVE_COMMAND, SMART_RCV_DRIVE_DATA).
inline constexpr DWORD SMART_GET_VERSION = CtlCode(IOCTL_DISK_BASE, 0x20, METHOD_BUFFERED, FILE_READ_ACCESS);
inline constexpr DWORD SMART_SEND_DRIVE_COMMAND =
    CtlCode(IOCTL_DISK_BASE, 0x21, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
inline constexpr DWORD SMART_RCV_DRIVE_DATA =
    CtlCode(IOCTL_DISK_BASE, 0x22, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
static_assert(SMART_GET_VERSION == 0x74080 && SMART_SEND_DRIVE_COMMAND == 0x7C084 &&
              SMART_RCV_DRIVE_DATA == 0x7C088);

// The IDE pass-through: one buffer in and out, an AtaPassThroughHeader followed by the data.
inline constexpr DWORD IOCTL_IDE_PASS_THROUGH =
    CtlCode(IOCTL_SCSI_BASE, 0x40A, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
static_assert(IOCTL_IDE_PASS_THROUGH == 0x4D028);

// The SCSI miniport's SMART requests (SRB_IO_CONTROL signature "SCSIDISK"): the control code names
// the operation; the SENDCMDINPARAMS that follows the header carries the registers and the data.
inline constexpr DWORD FILE_DEVICE_SCSI = 0x1B;
inline constexpr DWORD IOCTL_SCSI_MINIPORT_IDENTIFY = (FILE_DEVICE_SCSI << 16) + 0x0501;
inline constexpr DWORD IOCTL_SCSI_MINIPORT_RETURN_STATUS = (FILE_DEVICE_SCSI << 16) + 0x0506;
inline constexpr DWORD IOCTL_SCSI_MINIPORT_READ_SMART_LOG = (FILE_DEVICE_SCSI << 16) + 0x050B;
inline constexpr DWORD IOCTL_SCSI_MINIPORT_WRITE_SMART_LOG = (FILE_DEVICE_SCSI << 16) + 0x050C;
static_assert(IOCTL_SCSI_MINIPORT_READ_SMART_LOG == 0x1B050B &&
              IOCTL_SCSI_MINIPORT_WRITE_SMART_LOG == 0x1B050C);

// ATA commands and the SMART feature codes the component sends.
inline constexpr std::uint8_t ATA_IDENTIFY_DEVICE = 0xEC;
inline constexpr std::uint8_t ATA_IDENTIFY_PACKET_DEVICE = 0xA1;
inline constexpr std::uint8_t ATA_SMART = 0xB0;
inline constexpr std::uint8_t SMART_READ_DATA = 0xD0;
inline constexpr std::uint8_t SMART_READ_THRESHOLDS = 0xD1;
inline constexpr std::uint8_t SMART_EXECUTE_OFFLINE_IMMEDIATE = 0xD4;
inline constexpr std::uint8_t SMART_READ_LOG = 0xD5;
inline constexpr std::uint8_t SMART_WRITE_LOG = 0xD6;
inline constexpr std::uint8_t SMART_ENABLE_OPERATIONS = 0xD8;
inline constexpr std::uint8_t SMART_DISABLE_OPERATIONS = 0xD9;
inline constexpr std::uint8_t SMART_RETURN_STATUS = 0xDA;
// LBA mid/high of every SMART command, and of a RETURN STATUS answer when a threshold is exceeded.
inline constexpr std::uint8_t SMART_CYL_LOW = 0x4F;
inline constexpr std::uint8_t SMART_CYL_HI = 0xC2;
inline constexpr std::uint8_t SMART_THRESHOLD_CYL_LOW = 0xF4;
inline constexpr std::uint8_t SMART_THRESHOLD_CYL_HI = 0x2C;

// IDEREGS: the task-file registers of one ATA command, in and out.
struct IdeRegs {
  std::uint8_t bFeaturesReg;
  std::uint8_t bSectorCountReg;
  std::uint8_t bSectorNumberReg;  // LBA low
  std::uint8_t bCylLowReg;        // LBA mid
  std::uint8_t bCylHighReg;       // LBA high
  std::uint8_t bDriveHeadReg;     // device
  std::uint8_t bCommandReg;       // command in, status out
  std::uint8_t bReserved;         // error out, where a driver reports it
};
static_assert(sizeof(IdeRegs) == 8);

#pragma pack(push, 1)
// SENDCMDINPARAMS: sent with sizeof − 1 bytes (32) plus the data written to the drive.
struct SendCmdInParams {
  DWORD cBufferSize;
  IdeRegs irDriveRegs;
  std::uint8_t bDriveNumber;
  std::uint8_t bReserved[3];
  DWORD dwReserved[4];
  std::uint8_t bBuffer[1];
};
// DRIVERSTATUS and SENDCMDOUTPARAMS: 16 bytes of header, then the data read (512 bytes) or, after
// SMART RETURN STATUS, the drive's registers as an IdeRegs.
struct SmartDriverStatus {
  std::uint8_t bDriverError;
  std::uint8_t bIDEError;
  std::uint8_t bReserved[2];
  DWORD dwReserved[2];
};
struct SendCmdOutParams {
  DWORD cBufferSize;
  SmartDriverStatus DriverStatus;
  std::uint8_t bBuffer[1];
};
#pragma pack(pop)
static_assert(sizeof(SendCmdInParams) == 33 && offsetof(SendCmdInParams, irDriveRegs) == 4);
static_assert(offsetof(SendCmdInParams, bDriveNumber) == 12 && offsetof(SendCmdInParams, bBuffer) == 32);
static_assert(sizeof(SmartDriverStatus) == 12 && sizeof(SendCmdOutParams) == 17);
static_assert(offsetof(SendCmdOutParams, bBuffer) == 16);
inline constexpr DWORD kSendCmdInLength = offsetof(SendCmdInParams, bBuffer);    // 32
inline constexpr DWORD kSendCmdOutLength = offsetof(SendCmdOutParams, bBuffer);  // 16

// The IDE pass-through's header (ATA_PASS_THROUGH of the IDE port driver): registers in and out, the
// data size, then the data in the same buffer.
struct AtaPassThroughHeader {
  IdeRegs IdeReg;
  DWORD DataBufferSize;
};
static_assert(sizeof(AtaPassThroughHeader) == 12);

// Removable media, readiness, writability, geometry and track formatting.
inline constexpr DWORD IOCTL_STORAGE_CHECK_VERIFY =
    CtlCode(IOCTL_STORAGE_BASE, 0x200, METHOD_BUFFERED, FILE_READ_ACCESS);
inline constexpr DWORD IOCTL_STORAGE_LOAD_MEDIA =
    CtlCode(IOCTL_STORAGE_BASE, 0x203, METHOD_BUFFERED, FILE_READ_ACCESS);
inline constexpr DWORD IOCTL_STORAGE_RESET_DEVICE =
    CtlCode(IOCTL_STORAGE_BASE, 0x401, METHOD_BUFFERED, FILE_READ_ACCESS);
inline constexpr DWORD IOCTL_DISK_IS_WRITABLE =
    CtlCode(IOCTL_DISK_BASE, 0x09, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_DISK_GET_DRIVE_GEOMETRY =
    CtlCode(IOCTL_DISK_BASE, 0x00, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD IOCTL_DISK_FORMAT_TRACKS =
    CtlCode(IOCTL_DISK_BASE, 0x06, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
inline constexpr DWORD FSCTL_LOCK_VOLUME =
    CtlCode(FILE_DEVICE_FILE_SYSTEM, 6, METHOD_BUFFERED, FILE_ANY_ACCESS);
inline constexpr DWORD FSCTL_UNLOCK_VOLUME =
    CtlCode(FILE_DEVICE_FILE_SYSTEM, 7, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(IOCTL_STORAGE_CHECK_VERIFY == 0x2D4800 && IOCTL_STORAGE_LOAD_MEDIA == 0x2D480C);
static_assert(IOCTL_STORAGE_RESET_DEVICE == 0x2D5004 && IOCTL_DISK_IS_WRITABLE == 0x70024);
static_assert(IOCTL_DISK_GET_DRIVE_GEOMETRY == 0x70000 && IOCTL_DISK_FORMAT_TRACKS == 0x7C018);
static_assert(FSCTL_LOCK_VOLUME == 0x90018 && FSCTL_UNLOCK_VOLUME == 0x9001C);

// Errors of the removable-media requests and of block access.
inline constexpr DWORD ERROR_SECTOR_NOT_FOUND = 27;
inline constexpr DWORD ERROR_MEDIA_CHANGED = 1110;
inline constexpr DWORD ERROR_NO_MEDIA_IN_DRIVE = 1112;

// MEDIA_TYPE values of the diskette formats and the disk kinds.
enum DiskMediaType : DWORD {
  Unknown = 0,
  F5_1Pt2_512 = 1,
  F3_1Pt44_512 = 2,
  F3_2Pt88_512 = 3,
  F3_20Pt8_512 = 4,
  F3_720_512 = 5,
  F5_360_512 = 6,
  RemovableMedia = 11,
  FixedMedia = 12,
};

// DISK_GEOMETRY.
struct DiskGeometry {
  std::int64_t Cylinders;
  DiskMediaType MediaType;
  DWORD TracksPerCylinder;
  DWORD SectorsPerTrack;
  DWORD BytesPerSector;
};
static_assert(sizeof(DiskGeometry) == 24 && offsetof(DiskGeometry, MediaType) == 8);
static_assert(offsetof(DiskGeometry, BytesPerSector) == 20);

// FORMAT_PARAMETERS of IOCTL_DISK_FORMAT_TRACKS.
struct FormatParameters {
  DiskMediaType MediaType;
  DWORD StartCylinderNumber;
  DWORD EndCylinderNumber;
  DWORD StartHeadNumber;
  DWORD EndHeadNumber;
};
static_assert(sizeof(FormatParameters) == 20);

}  // namespace win
