#pragma once

// The bytes an array controller exchanges with this program, written down once: the miniport requests
// that carry them (header, driver kinds, control codes, the CISS, BMIC and SCSI-through-BMIC requests,
// the controller queries) and the layouts of the controllers' replies. Both the component's transports
// and controller devices and the simulated array controller read their offsets from here, so the two
// sides cannot drift apart. All integers are little-endian unless a field says otherwise.
//
// Fields marked "ours" are layouts no outside document fixes; the rest are the program's long-standing
// contract with the controllers' drivers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rb::arraylayout {

// Little-endian fields of requests and replies.
inline constexpr std::uint16_t Get16(const std::uint8_t* bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}
inline constexpr std::uint32_t Get32(const std::uint8_t* bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(Get16(bytes, offset) |
                                    static_cast<std::uint32_t>(Get16(bytes, offset + 2)) << 16);
}
inline constexpr void Put16(std::uint8_t* bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}
inline constexpr void Put32(std::uint8_t* bytes, std::size_t offset, std::uint32_t value) {
  Put16(bytes, offset, static_cast<std::uint16_t>(value));
  Put16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

// ---- Miniport framing --------------------------------------------------------------------------

// DeviceIoControl code of the SCSI miniport request; the buffer is both input and output.
inline constexpr std::uint32_t kMiniportIoctl = 0x4D008;

inline constexpr std::size_t kHeaderSize = 28;
namespace header {
inline constexpr std::size_t kHeaderLength = 0;  // u32, always 28
inline constexpr std::size_t kSignature = 4;     // 8 bytes ASCII, NUL-padded
inline constexpr std::size_t kTimeout = 12;      // u32 seconds
inline constexpr std::size_t kControlCode = 16;  // u32
inline constexpr std::size_t kReturnCode = 20;   // u32, written by the driver
inline constexpr std::size_t kLength = 24;       // u32, total length minus 28
}  // namespace header

// Driver kinds: the small number a request is sent with picks its signature and timeout.
enum class DriverKind : std::uint8_t {
  kQueryBmic = 0,
  kBmic = 1,
  kScsi = 2,
  kFibre = 3,
  kCiss = 4,
  kQueryCiss = 5
};

struct KindSignature {
  std::string_view signature;
  std::uint32_t timeout;
};
inline constexpr KindSignature SignatureOf(DriverKind kind) {
  switch (kind) {
    case DriverKind::kBmic:
      return {"ZBRBMIC", 180};
    case DriverKind::kScsi:
      return {"ZBRSCSI", 180};
    case DriverKind::kFibre:
      return {"ZBRFC", 180};
    case DriverKind::kCiss:
      return {"ZBRCISS", 180};
    case DriverKind::kQueryCiss:
      return {"ZBRCSMI", 180};
    default:
      return {"CSMIALL", 60};
  }
}

// Whether a buffer of `length` bytes is one request: its header's lengths agree with the buffer.
inline bool WellFramed(const std::uint8_t* request, std::size_t length) {
  return request != nullptr && length >= kHeaderSize &&
         Get32(request, header::kHeaderLength) == kHeaderSize &&
         Get32(request, header::kLength) == length - kHeaderSize;
}

// Whether a request carries the signature of a driver kind.
inline bool HasSignature(const std::uint8_t* request, DriverKind kind) {
  const std::string_view wanted = SignatureOf(kind).signature;
  for (std::size_t i = 0; i < 8; ++i)
    if (request[header::kSignature + i] != (i < wanted.size() ? static_cast<std::uint8_t>(wanted[i]) : 0))
      return false;
  return true;
}

// Return codes in the header: 0 success; 1-3 are failures the transport raises; 4 and above make the
// request report false with whatever the driver left in the buffer.
inline constexpr std::uint32_t kReturnSuccess = 0;
inline constexpr std::uint32_t kReturnFailed = 1;
inline constexpr std::uint32_t kReturnBadControlCode = 2;
inline constexpr std::uint32_t kReturnInvalidParameter = 3;

// ---- Controller queries (port discovery) -------------------------------------------------------

inline constexpr std::uint32_t kQueryDriverInfo = 1;  // 204 bytes in all
inline constexpr std::uint32_t kQueryConfig = 2;      // 208 bytes in all
inline constexpr std::uint32_t kQueryStatus = 3;      // 64 bytes in all
inline constexpr std::size_t kDriverInfoSize = 204;
inline constexpr std::size_t kConfigSize = 208;
inline constexpr std::size_t kStatusSize = 64;
// The total length of a controller query by its control code; 0 for a code that is none.
inline constexpr std::size_t QuerySize(std::uint32_t code) {
  return code == kQueryConfig       ? kConfigSize
         : code == kQueryStatus     ? kStatusSize
         : code == kQueryDriverInfo ? kDriverInfoSize
                                    : 0;
}
namespace config {  // offsets in the 180 bytes after the header
inline constexpr std::size_t kClass = 18;
inline constexpr std::size_t kBusType = 19;
inline constexpr std::size_t kPciBus = 20;
inline constexpr std::size_t kPciDevice = 21;
inline constexpr std::size_t kPciFunction = 22;
}  // namespace config
inline constexpr std::uint8_t kClassBmic = 1;
inline constexpr std::uint8_t kClassCiss = 4;
inline constexpr std::uint8_t kBusTypePci = 3;
// Driver information (ours beyond its size): the driver's name, NUL-padded, at the start of the body.
inline constexpr std::size_t kDriverInfoName = 0;
inline constexpr std::size_t kDriverInfoNameSize = 80;

// ---- CISS request (control code 2, kind 4) -----------------------------------------------------

inline constexpr std::uint32_t kCissControlCode = 2;
inline constexpr std::size_t kCissRequestSize = 152;  // plus the data length
namespace ciss {
inline constexpr std::size_t kLun = 28;            // 8 bytes
inline constexpr std::size_t kTimeout = 36;        // u16
inline constexpr std::size_t kCdbLength = 38;      // u8
inline constexpr std::size_t kCdb = 40;            // 16 bytes
inline constexpr std::size_t kDirection = 56;      // u32, values below
inline constexpr std::size_t kScsiStatus = 76;     // u8
inline constexpr std::size_t kSenseLength = 77;    // u8
inline constexpr std::size_t kCommandStatus = 78;  // u16
inline constexpr std::size_t kResidual = 80;       // u32
inline constexpr std::size_t kMoreError = 84;      // 8 bytes; [2] field size, [3] field number
inline constexpr std::size_t kSense = 92;          // 32 bytes
inline constexpr std::size_t kData = 148;
}  // namespace ciss
inline constexpr std::uint32_t kCissDataIn = 1;
inline constexpr std::uint32_t kCissDataOut = 2;
inline constexpr std::uint32_t kCissNoData = 4;

// Command status of a completed CISS command.
enum CissStatus : std::uint16_t {
  kCissSuccess = 0,
  kCissTargetStatus = 1,
  kCissDataUnderrun = 2,
  kCissDataOverrun = 3,
  kCissInvalidCommand = 4,
  kCissProtocolError = 5,
  kCissHardwareError = 6,
  kCissConnectionLost = 7,
  kCissAborted = 8,
  kCissAbortFailed = 9,
  kCissUnsolicitedAbort = 10,
  kCissTimeout = 11,
  kCissUnabortable = 12,
};

// CISS CDBs of the controllers.
inline constexpr std::uint8_t kReportLogicalLuns = 0xC2;
inline constexpr std::uint8_t kReportPhysicalLuns = 0xC3;
inline constexpr std::uint8_t kBmicReadCdb = 0x26;   // BMIC-over-CISS, for commands 0xA0 and 0x17
inline constexpr std::uint8_t kBmicWriteCdb = 0x27;  // BMIC-over-CISS, every other command
inline constexpr std::size_t kLunListSize = 2056;    // 8-byte header (u32 big-endian length) + 256 × 8
inline constexpr std::size_t kLunListMaxEntries = 256;

// ---- BMIC request (control code 1, kind 1) and SCSI-through-BMIC (control code 2, kind 1) -------

inline constexpr std::uint32_t kBmicControlCode = 1;
inline constexpr std::size_t kBmicRequestSize = 96;  // plus the data length
namespace bmic {
inline constexpr std::size_t kUnit = 28;        // u8
inline constexpr std::size_t kCommand = 29;     // u8
inline constexpr std::size_t kParameter2 = 30;  // u16
inline constexpr std::size_t kParameter = 32;   // u32
inline constexpr std::size_t kStatus = 60;      // u8, returned
inline constexpr std::size_t kData = 92;
}  // namespace bmic

inline constexpr std::uint32_t kScsiThroughBmicControlCode = 2;
inline constexpr std::size_t kScsiThroughBmicRequestSize = 128;  // plus the data length
inline constexpr std::uint8_t kBmicPassThroughCommand = 0x91;    // the record's command for a child CDB
namespace scsibmic {
inline constexpr std::size_t kPath = 28;
inline constexpr std::size_t kTarget = 29;
inline constexpr std::size_t kLun = 30;
inline constexpr std::size_t kCdbLength = 31;
inline constexpr std::size_t kCdb = 32;          // 16 bytes
inline constexpr std::size_t kTimeout = 48;      // u32
inline constexpr std::size_t kBmicStatus = 92;   // u8
inline constexpr std::size_t kResidual = 96;     // u32
inline constexpr std::size_t kSenseInfo = 100;   // u32, SCSI status 2 only
inline constexpr std::size_t kScsiStatus = 104;  // u8
inline constexpr std::size_t kMachineError = 105;
inline constexpr std::size_t kAsc = 106;        // SCSI status 2 only
inline constexpr std::size_t kSenseKey = 107;   // SCSI status 2 only
inline constexpr std::size_t kErrorCode = 108;  // SCSI status 2 only
inline constexpr std::size_t kAscq = 109;       // SCSI status 2 only
inline constexpr std::size_t kData = 124;
}  // namespace scsibmic
// Machine errors of a SCSI-through-BMIC request (ours beyond the two the controller devices judge):
// 0x22 accompanies a target status (the SCSI status and sense fields say what), 0x12 a data overrun
// with its residual count, 0x01 a selection timeout (no device at the address).
inline constexpr std::uint8_t kMachineErrorNone = 0;
inline constexpr std::uint8_t kMachineErrorSelectionTimeout = 0x01;
inline constexpr std::uint8_t kMachineErrorOverrun = 0x12;
inline constexpr std::uint8_t kMachineErrorTargetStatus = 0x22;

// BMIC status (ours beyond 0 = success): what the simulated controller answers.
inline constexpr std::uint8_t kBmicOk = 0;
inline constexpr std::uint8_t kBmicInvalidCommand = 1;
inline constexpr std::uint8_t kBmicInvalidUnit = 2;
inline constexpr std::uint8_t kBmicDriveFailed = 3;  // a transfer of a failed volume
inline constexpr std::uint8_t kBmicBadLength = 4;    // the data length is short of the reply
inline constexpr std::uint8_t kBmicScsiError = 5;    // a SCSI-through-BMIC command did not complete well

// ---- BMIC commands -----------------------------------------------------------------------------

namespace command {
inline constexpr std::uint8_t kIdentifyLogicalDrive = 0x10;   // 512
inline constexpr std::uint8_t kIdentifyController = 0x11;     // 4096
inline constexpr std::uint8_t kLogicalDriveStatus = 0x12;     // 1024
inline constexpr std::uint8_t kResetFinish = 0x13;            // 256
inline constexpr std::uint8_t kIdentifyPhysicalDrive = 0x15;  // 1536
inline constexpr std::uint8_t kReadBlocks = 0x20;
inline constexpr std::uint8_t kWriteBlocks = 0x30;
inline constexpr std::uint8_t kResetStart = 0x40;          // 512
inline constexpr std::uint8_t kLogicalDriveQuery = 0x50;   // 512
inline constexpr std::uint8_t kDeleteLogicalDrive = 0x51;  // 512
inline constexpr std::uint8_t kBusTarget = 0x65;           // 536
inline constexpr std::uint8_t kSubsystemInfo = 0x66;       // 512
inline constexpr std::uint8_t kBackgroundDisable = 0x98;   // 256
inline constexpr std::uint8_t kBackgroundEnable = 0x99;    // 256
inline constexpr std::uint8_t kControllerInfo = 0xC1;      // 512
inline constexpr std::uint8_t kVendor = 0x42;  // sub-function in CDB byte 8, its argument in byte 9
inline constexpr std::uint8_t kCreateLogicalDrive = 0x56;  // 512 out, see createlogical (ours)
}  // namespace command
// Vendor sub-functions of BMIC 42h (CDB byte 8; byte 9 carries the argument).
inline constexpr std::uint8_t kVendorDiagStart = 0xD1;          // 8 bytes out, byte 9 = 1
inline constexpr std::uint8_t kVendorDiagResult = 0xD3;         // 260 bytes in; byte 1 the error code
inline constexpr std::uint8_t kVendorI2cAccess = 0xD4;          // byte 9: the part's I2C address
inline constexpr std::uint8_t kVendorCpldVersion = 0xD5;        // 27h, cpldversion
inline constexpr std::uint8_t kVendorPicBattery = 0xD6;         // 26h, picbattery
inline constexpr std::uint8_t kVendorDiagRomVersion = 0xD7;     // 26h, diagromversion
inline constexpr std::uint8_t kVendorWorldWideNames = 0xDA;     // 26h, worldwidenames
inline constexpr std::uint8_t kVendorAsicRevisions = 0xDC;      // 27h, asicrevisions
inline constexpr std::uint8_t kVendorSesNvram = 0xDE;           // byte 9: region; >= 1024 in, 10 out
inline constexpr std::uint8_t kVendorStorageBoxVersion = 0xDF;  // 27h, storageboxversion
inline constexpr std::size_t kDiagResultSize = 260;
// The result record (ours beyond byte 1): byte 0 is 1 while the diagnostic still runs (the record is
// asked again) and 0 once byte 1 holds its error code; then two internal and six external maps, phy
// maps as u32 and drive maps as u16, little-endian.
namespace diagresult {
inline constexpr std::size_t kRunning = 0;
inline constexpr std::size_t kErrorCode = 1;
inline constexpr std::size_t kInternalPhyMaps = 4;    // 2 × u32
inline constexpr std::size_t kExternalPhyMaps = 12;   // 6 × u32
inline constexpr std::size_t kInternalDriveMaps = 36;  // 2 × u16
inline constexpr std::size_t kExternalDriveMaps = 40;  // 6 × u16
inline constexpr std::size_t kInternalMaps = 2;
inline constexpr std::size_t kExternalMaps = 6;
}  // namespace diagresult
inline constexpr std::size_t kDiagStartSize = 8;
inline constexpr std::size_t kStorageBoxVersionSize = 48;
// The storage-box board set's I2C writes carry their length in CDB bytes 4-5, little-endian like the
// parameter they sit in.
inline constexpr std::size_t kVendorI2cWriteLength = 4;
// SES and backplane NVRAM access (DEh), argument: the region. A read answers the region's first
// 1024 bytes; a write is one 10-byte record (ours) patching up to seven bytes of it.
namespace sesnvram {
inline constexpr std::uint32_t kReadSize = 1024;
inline constexpr std::uint32_t kWriteSize = 10;
inline constexpr std::size_t kOffset = 0;  // u16, where in the region the bytes go
inline constexpr std::size_t kCount = 2;   // 1 to kDataMost
inline constexpr std::size_t kData = 3;
inline constexpr std::size_t kDataMost = kWriteSize - kData;
}  // namespace sesnvram

// The replies of the vendor sub-functions that describe the controller (ours where the controller's
// own definition leaves them open; multi-byte numbers little-endian, texts ASCII padded with blanks or
// zeros).
namespace cpldversion {  // D5h
inline constexpr std::size_t kSize = 3;  // three version bytes, shown in order
}  // namespace cpldversion
namespace diagromversion {  // D7h
inline constexpr std::size_t kSize = 2;  // shown byte 1 first
}  // namespace diagromversion
namespace picbattery {  // D6h
inline constexpr std::size_t kSize = 32;
inline constexpr std::size_t kPicRevision = 0;
inline constexpr std::size_t kBatteryStatus = 1;
inline constexpr std::size_t kExtendedBatteryStatus = 2;
inline constexpr std::size_t kInterruptLine = 3;  // kLineLow, kLineHigh; anything else is unknown
inline constexpr std::size_t kBatteryVoltage = 4;  // u16, millivolts
inline constexpr std::size_t kBatteryCapacity = 6;  // percent
inline constexpr std::size_t kChargeTimeout = 8;    // u16, minutes
inline constexpr std::uint8_t kLineLow = 0;
inline constexpr std::uint8_t kLineHigh = 1;  // the line's idle state: a working line reads high
}  // namespace picbattery
namespace worldwidenames {  // DAh
inline constexpr std::size_t kSize = 24;
inline constexpr std::size_t kController = 0;  // 8 bytes, shown in order
inline constexpr std::size_t kExpander = 8;    // 8 bytes, shown in order
inline constexpr std::size_t kExpander2 = 16;  // a JBOD's second expander, 8 bytes
inline constexpr std::size_t kNameSize = 8;
}  // namespace worldwidenames
namespace asicrevisions {  // DCh
inline constexpr std::size_t kSize = 64;
inline constexpr std::size_t kControllerAsic = 0;
inline constexpr std::size_t kSasChip1 = 1;
inline constexpr std::size_t kSasChip2 = 2;
inline constexpr std::size_t kPmcMuxCode = 3;
inline constexpr std::size_t kPmcMuxRevision = 4;
inline constexpr std::size_t kExpanderAsic = 5;
inline constexpr std::size_t kEccCount = 8;  // u16: the ECC errors the firmware has registered
inline constexpr std::size_t kPcaSerial = 16;  // 16 characters
inline constexpr std::size_t kPcaSerialSize = 16;
inline constexpr std::size_t kRecoveryRomInactiveRev = 32;  // 4 characters
inline constexpr std::size_t kRecoveryRomRevSize = 4;
inline constexpr std::size_t kRecoveryRomFlags = 36;  // kImageB, kImageGood
inline constexpr std::uint8_t kImageB = 0x01;         // clear: image A is active
inline constexpr std::uint8_t kImageGood = 0x02;
inline constexpr std::size_t kBackplaneType = 37;
inline constexpr std::size_t kBackplaneFirmware = 38;  // 4 characters
inline constexpr std::size_t kBackplaneFirmwareSize = 4;
inline constexpr std::size_t kBootstrapNvramRev = 42;
inline constexpr std::size_t kLinkWidth = 44;  // u8, PCI Express lanes negotiated
// The phys' negotiated speeds, a nibble each, phy 0 in the high nibble of the first byte; shown as 16
// hex digits.
inline constexpr std::size_t kControllerPhyMap = 48;
inline constexpr std::size_t kExpanderPhyMap = 56;
inline constexpr std::size_t kPhyMapSize = 8;
}  // namespace asicrevisions
namespace storageboxversion {  // DFh
inline constexpr std::size_t kSize = kStorageBoxVersionSize;
inline constexpr std::size_t kPsocVersionSize = 4;  // each PSoC version: 4 characters
inline constexpr std::size_t kSepPsoc = 0;
inline constexpr std::size_t kFanPsoc = 4;
inline constexpr std::size_t kLedPsoc1 = 8;
inline constexpr std::size_t kLedPsoc2 = 12;
inline constexpr std::size_t kBoxCount = 16;
inline constexpr std::size_t kChassisSerial = 17;  // 16 characters
inline constexpr std::size_t kChassisSerialSize = 16;
}  // namespace storageboxversion

// A drive map (ours): which physical drives of a controller a reply means. 8 buses × a u32 target mask:
// bit t of the word at 4 × b is the drive at bus b, target t. Buses and targets are those of the
// controller's "b%dd%d" naming and of the SCSI-through-BMIC path and target.
inline constexpr std::size_t kDriveMapBuses = 8;
inline constexpr std::size_t kDriveMapTargets = 32;
inline constexpr std::size_t kDriveMapSize = kDriveMapBuses * 4;
// Marks the drive in the map at `map`, or tells whether it is marked; the caller keeps bus and target
// within the map.
inline void MarkInDriveMap(std::uint8_t* map, std::size_t bus, std::size_t target) {
  map[4 * bus + target / 8] |= static_cast<std::uint8_t>(1u << (target % 8));
}
inline bool MarkedInDriveMap(const std::uint8_t* map, std::size_t bus, std::size_t target) {
  return (map[4 * bus + target / 8] >> (target % 8) & 1u) != 0;
}

// The drive number of identify physical drive (0x15), in the parameter's low byte: with T targets per
// bus, ((bus - 1) × T + target) mod 256, plus 128 (mod 256) when T is above 7.
inline constexpr std::uint8_t DriveNumber(std::uint8_t bus, std::uint8_t target, std::uint8_t targetsPerBus) {
  unsigned number = ((bus - 1u) * targetsPerBus + target) & 0xFFu;
  if (targetsPerBus > 7) number = (number + 128u) & 0xFFu;
  return static_cast<std::uint8_t>(number);
}

// A storage-array controller: its product name (identify controller) contains "KSR1000".
inline constexpr bool IsStorageArrayProduct(std::string_view productName) {
  return productName.find("KSR1000") != std::string_view::npos;
}

// The parameter of identify physical drive and of the other commands that name a physical drive:
// the drive number in the low byte. A storage-array controller counts its buses from 0 where the
// others count from 1, and takes the number in the second byte.
inline constexpr std::uint32_t PhysicalDriveParameter(std::uint8_t bus, std::uint8_t target,
                                                      std::uint8_t targetsPerBus, bool storageArray) {
  if (storageArray)
    return std::uint32_t{DriveNumber(static_cast<std::uint8_t>(bus + 1), target, targetsPerBus)} << 8;
  return DriveNumber(bus, target, targetsPerBus);
}

// ---- 0x11 identify controller (4096 bytes) -----------------------------------------------------
namespace identifycontroller {
inline constexpr std::size_t kSize = 4096;
inline constexpr std::size_t kLogicalDrives = 0;  // u8, configured logical drives
inline constexpr std::size_t kFirmware = 5;       // 4 ASCII bytes (ours)
inline constexpr std::size_t kFirmwareSize = 4;
inline constexpr std::size_t kBoardId = 26;              // u32
inline constexpr std::size_t kFlags = 41;                // u8
inline constexpr std::uint8_t kFlagPresenceMaps = 0x08;  // bit 3: kPresenceMap below is valid
inline constexpr std::size_t kTargetsPerBus = 53;        // u8
inline constexpr std::size_t kBusCount = 54;             // u8, buses with drives (ours), at most 8
inline constexpr std::size_t kProductName = 60;          // 32 ASCII bytes, NUL- or space-padded (ours)
inline constexpr std::size_t kProductNameSize = 32;
inline constexpr std::size_t kSerialNumber = 100;  // 32 ASCII bytes (ours)
inline constexpr std::size_t kSerialNumberSize = 32;
inline constexpr std::size_t kInstalledMemory = 140;  // u8, megabytes
inline constexpr std::size_t kTotalMemory = 143;      // u8, megabytes
inline constexpr std::size_t kPresenceMap = 160;      // drive map of the drives present (ours)
}  // namespace identifycontroller

// ---- 0x66 subsystem information (512 bytes) ----------------------------------------------------
namespace subsysteminfo {
inline constexpr std::size_t kSize = 512;
inline constexpr std::size_t kSlot = 0;  // low 7 bits; 16 or more means no slot
}  // namespace subsysteminfo

// ---- 0xC1 controller information (512 bytes) ---------------------------------------------------
namespace controllerinfo {
inline constexpr std::size_t kSize = 512;
// u16 usable cache in the controller's cache unit: kilobytes on a BMIC controller, megabytes on a
// CISS controller.
inline constexpr std::size_t kUsableCache = 38;
// Batteries (ours): a count (0 to 4) and one status byte per battery.
inline constexpr std::size_t kBatteryCount = 40;
inline constexpr std::size_t kBatteryStatus = 41;
inline constexpr std::size_t kMaxBatteries = 4;
}  // namespace controllerinfo
// Battery status codes (ours) and their texts.
inline constexpr std::array<std::string_view, 5> kBatteryStatusTexts = {"OK", "Charging", "Failed",
                                                                        "Not Present", "Unknown"};
inline constexpr std::string_view BatteryStatusText(std::uint8_t status) {
  return kBatteryStatusTexts[status < kBatteryStatusTexts.size() ? status : kBatteryStatusTexts.size() - 1];
}

// ---- 0x10 identify logical drive (512 bytes) ---------------------------------------------------
// The unassigned drives are the present drives (identify controller's presence map, or every drive the
// discovery finds) less the union of the member maps of logical drives 0 .. configured - 1.
namespace identifylogical {
inline constexpr std::size_t kSize = 512;
inline constexpr std::size_t kBlockSize = 0;        // u16 bytes per block (ours)
inline constexpr std::size_t kBlockCount = 2;       // u32 (ours)
inline constexpr std::size_t kFaultTolerance = 22;  // u8: 0 RAID 0, 2 RAID 1, 3 RAID 5, ...
inline constexpr std::size_t kArrayNumber = 24;     // u8, the array the volume is carved from (ours)
inline constexpr std::size_t kStripeBlocks = 26;    // u16 blocks per stripe unit (ours)
inline constexpr std::size_t kMemberMap = 32;       // drive map of the member drives (ours)
}  // namespace identifylogical
inline constexpr std::uint8_t kFaultToleranceRaid0 = 0;
inline constexpr std::uint8_t kFaultToleranceRaid1 = 2;
inline constexpr std::uint8_t kFaultToleranceRaid5 = 3;

// ---- 0x12 logical drive status (1024 bytes) ----------------------------------------------------
namespace logicalstatus {
inline constexpr std::size_t kSize = 1024;
inline constexpr std::size_t kStatus = 0;           // u8: 0 OK, 1 failed, 3 interim recovery, 5 rebuilding
inline constexpr std::size_t kBlocksToRecover = 4;  // u32 (ours)
inline constexpr std::size_t kFailedMap = 32;       // drive map of the failed members (ours)
}  // namespace logicalstatus
inline constexpr std::uint8_t kVolumeOk = 0;
inline constexpr std::uint8_t kVolumeFailed = 1;
inline constexpr std::uint8_t kVolumeInterimRecovery = 3;
inline constexpr std::uint8_t kVolumeReadyForRecovery = 4;
inline constexpr std::uint8_t kVolumeRecovering = 5;

// ---- 0x56 create logical drive (512 bytes out, ours) -------------------------------------------
// Configures a new logical drive after the last one (its number is the configured count before the
// command) over the drives of the map, at the fault tolerance code of identify logical drive.
// Refused (invalid unit) when a drive of the map is missing, failed or a member of another volume,
// or when the drives are too few for the fault tolerance or too small for the size.
namespace createlogical {
inline constexpr std::size_t kSize = 512;
inline constexpr std::size_t kFaultTolerance = 0;  // u8
inline constexpr std::size_t kBlockCount = 4;      // u32, blocks of the new drive
inline constexpr std::size_t kMemberMap = 32;      // drive map of the members, in member order by bus and target
}  // namespace createlogical

// ---- 0x15 identify physical drive (1536 bytes) -------------------------------------------------
namespace identifyphysical {
inline constexpr std::size_t kSize = 1536;
inline constexpr std::size_t kPresent = 0;  // u8, non-zero when a drive answers (ours)
inline constexpr std::size_t kBus = 2;      // u8 (ours)
inline constexpr std::size_t kTarget = 3;   // u8 (ours)
inline constexpr std::size_t kModel = 4;    // 40 ASCII bytes (ours)
inline constexpr std::size_t kModelSize = 40;
inline constexpr std::size_t kSerialNumber = 44;  // 20 ASCII bytes (ours)
inline constexpr std::size_t kSerialNumberSize = 20;
inline constexpr std::size_t kFirmware = 64;  // 8 ASCII bytes (ours)
inline constexpr std::size_t kFirmwareSize = 8;
inline constexpr std::size_t kOlderRates = 103;  // bit 7 Ultra-2/Fast-40, bit 6 Ultra/Fast-20, bit 3 Fast
inline constexpr std::size_t kNewerRates = 106;  // bit 3 Ultra-320, bit 0 Ultra-160
inline constexpr std::uint8_t kOlderRatesWide = 0x20;  // bit 5 of kOlderRates: 16-bit (wide) transfers (ours)
inline constexpr std::size_t kBlockCount = 116;  // u32; 0 = ask the drive
inline constexpr std::size_t kBlockSize = 120;   // u16 (ours)
inline constexpr std::size_t kDriveType = 124;   // u8: 0 parallel SCSI, 1 SATA, 2 SAS (ours)
inline constexpr std::size_t kLinkRate = 125;    // u8 negotiated link-rate code (ours)
inline constexpr std::size_t kFailed = 126;      // u8, non-zero when the controller failed it (ours)
inline constexpr std::size_t kAmberLight = 127;  // u8, non-zero while the drive's amber light is on (ours)
// Error and usage counters (ours): u32 each, in the order of kPhysicalDriveCounters from kCounters.
inline constexpr std::size_t kCounters = 200;
// A storage-array controller's own drive words (ours), right after the 21 counters: u32 each, in the
// order of kStorageArrayDriveCounters, zero on the other controllers. The first holds the drive's
// connector as two ASCII characters (the port's printed label, such as "1A", which the shelf cabling
// is traced by; a number would hide it). Enclosure number and bay are raw words like the rest, so
// that the block reads one way from end to end.
inline constexpr std::size_t kStorageArrayCounters = kCounters + 21 * 4;
inline constexpr std::size_t kConnectorSize = 2;
}  // namespace identifyphysical
inline constexpr std::uint8_t kDriveTypeScsi = 0;
inline constexpr std::uint8_t kDriveTypeSata = 1;
inline constexpr std::uint8_t kDriveTypeSas = 2;
inline constexpr std::array<std::string_view, 21> kPhysicalDriveCounters = {
    "Drive Supports S.M.A.R.T. Predictive Failure",
    "Drive S.M.A.R.T. Predictive Failure Enabled",
    "Last Failure Reason",
    "Reference Time",
    "Sectors Read",
    "Read Errors Corrected",
    "Sectors Written",
    "Seek Count",
    "Seek Errors",
    "Timeouts",
    "Recovers",
    "Recovers Failed Read",
    "Recovers Failed Write",
    "Format Errors",
    "Not Ready Failures",
    "Bus Faults",
    "Hot Plug Count",
    "Media Failures",
    "Hardware Errors",
    "Aborted Command Failures",
    "Bad Target Count"};
inline constexpr std::array<std::string_view, 9> kStorageArrayDriveCounters = {
    "Connector",
    "Enclosure Number",
    "Enclosure Bay",
    "Read Errors Hard",
    "Read Errors Retry Recovered",
    "Write Errors Hard",
    "Write Errors Retry Recovered",
    "Predictive Failure Errors",
    "Drive Present and Operational"};
static_assert(identifyphysical::kStorageArrayCounters ==
              identifyphysical::kCounters + 4 * kPhysicalDriveCounters.size());
static_assert(identifyphysical::kStorageArrayCounters + 4 * kStorageArrayDriveCounters.size() <=
              identifyphysical::kSize);

// ---- 0xB8 drive history (1024 bytes, ours) ------------------------------------------------------
// What the controller has recorded about one physical drive. Parameter: that of identify physical
// drive (0x15); unit: which record below.
namespace drivehistory {
inline constexpr std::uint8_t kCommand = 0xB8;
inline constexpr std::size_t kSize = 1024;
inline constexpr std::uint8_t kRecords = 0;         // u8 count, then 8-byte entries from offset 8:
inline constexpr std::size_t kRecordEntries = 8;    //   [0] in the physical configuration, [1] failure
inline constexpr std::size_t kRecordSize = 8;       //   reason, [4] u32 time stamp
inline constexpr std::uint8_t kSmart = 1;           // [0] controller's SMART flag, [1] the drive's
inline constexpr std::uint8_t kSelfTest = 2;        // [0] a self-test in the log ended in error
inline constexpr std::uint8_t kPerformance = 3;     // [0] critical threshold, [1] aborted commands
inline constexpr std::uint8_t kScsiErrors = 4;      // u8 count, then 32-byte entries from offset 8:
inline constexpr std::size_t kErrorEntries = 8;     //   u32 service time, u8 SCSI status, CAM status,
inline constexpr std::size_t kErrorEntrySize = 32;  // sense byte 2, ASC, ASCQ, then at 12 u32 block,
                                                    // at 16 u32 time, at 20 u32 information
inline constexpr std::uint8_t kClientLog = 5;       // u32 length, then the application client log
}  // namespace drivehistory
// 0xB9 blink a physical drive's LED (ours): the identify-physical-drive parameter, the seconds as count.
inline constexpr std::uint8_t kBlinkDriveLed = 0xB9;

// ---- 0x65 bus and target (536 bytes); parameter = target × 256 + bus ---------------------------
namespace bustarget {
inline constexpr std::size_t kSize = 536;
inline constexpr std::size_t kVendor = 8;  // 8 ASCII bytes (ours)
inline constexpr std::size_t kVendorSize = 8;
inline constexpr std::size_t kModel = 16;  // 16 ASCII bytes: the backplane model (ours)
inline constexpr std::size_t kModelSize = 16;
inline constexpr std::size_t kRevision = 32;  // 4 ASCII bytes: the backplane revision (ours)
inline constexpr std::size_t kRevisionSize = 4;
inline constexpr std::size_t kPresent = 36;  // u8, non-zero when a backplane answers at this address
}  // namespace bustarget

// ---- The battery gauges the load-current tests read (ours) ---------------------------------------
namespace signals {
// The battery gauge (I2C C1h, C3h, C5h): 1024 bytes read; status byte and load current byte.
inline constexpr std::size_t kGaugeSize = 1024;
inline constexpr std::size_t kGaugeStatus = 2;
inline constexpr std::uint8_t kGaugeFault = 0x20;
inline constexpr std::size_t kGaugeLoadCurrent = 5;
inline constexpr std::uint8_t kMostLoadCurrent = 0x4F;
}  // namespace signals

}  // namespace rb::arraylayout
