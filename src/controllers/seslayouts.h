#pragma once

// The bytes of enclosure access through a CISS controller, written down once: the 16-byte access CDB,
// the controller's pages (enclosure discovery, the 16-bit and one-byte queries, the enclosure buffers,
// the element query, set element) and the enclosure pages the element query returns. The component
// (SESDiagApi, CissBackPlane) and the simulated enclosure both read their offsets from here.
//
// The controller's pages carry little-endian integers. The enclosure pages returned by the element
// query are the published SES-2 diagnostic pages as the enclosure processor sends them, big-endian:
// configuration (01h) and enclosure status (02h). Layouts marked "ours" are fixed by no outside
// document; they are this program's contract with the controller.

#include <cstddef>
#include <cstdint>

namespace rb::seslayout {

// ---- The access CDB ----------------------------------------------------------------------------

inline constexpr std::size_t kCdbLength = 16;
namespace cdb {
inline constexpr std::size_t kOpcode = 0;     // 26h read, 27h write
inline constexpr std::size_t kHandle = 2;     // u16, the enclosure handle
inline constexpr std::size_t kArgument1 = 4;  // u16
inline constexpr std::size_t kCommand = 6;    // 42h, the vendor command
inline constexpr std::size_t kPassThrough = 8;
inline constexpr std::size_t kPage = 9;
inline constexpr std::size_t kArgument2 = 10;  // u16
}  // namespace cdb
inline constexpr std::uint8_t kReadOpcode = 0x26;
inline constexpr std::uint8_t kWriteOpcode = 0x27;
inline constexpr std::uint8_t kVendorCommand = 0x42;
inline constexpr std::uint8_t kPassThrough = 0x80;  // the vendor sub-function of enclosure access

// An enclosure index beyond the list of handles.
inline constexpr std::uint16_t kNoHandle = 0xFFFF;

// ---- The controller's pages ----------------------------------------------------------------------

// Page 0: a 16-bit query; argument 1 picks it, the reply's first word is the answer.
inline constexpr std::uint8_t kPageQuery = 0x00;
inline constexpr std::uint32_t kQueryLength = 1024;
inline constexpr std::uint16_t kQueryEnclosures = 6;  // word 0 the count, then the handles (ours)
inline constexpr std::size_t kEnclosureHandles = 2;   // u16 per enclosure, in discovery order
inline constexpr std::size_t kMaxEnclosures = (kQueryLength - kEnclosureHandles) / 2;

// Page 10h: an enclosure buffer; argument 1 the buffer id, argument 2 the length (ours).
inline constexpr std::uint8_t kPageBuffer = 0x10;

// Page 11h: a one-byte query of an enclosure; argument 1 an element type, the reply's first byte is
// the number of elements of that type the enclosure has (ours).
inline constexpr std::uint8_t kPageQueryByte = 0x11;
inline constexpr std::uint32_t kQueryByteLength = 256;

// Page 12h: the element query; argument 1 is the code of the enclosure page to return (below).
inline constexpr std::uint8_t kPageElementQuery = 0x12;

// Page 13h: set element; argument 1 the element type, argument 2 the element number (0-based among
// the elements of that type), the data the 4-byte SES control record.
inline constexpr std::uint8_t kPageSetElement = 0x13;
inline constexpr std::uint32_t kElementRecordSize = 4;

// ---- Enclosure buffers (page 10h, ours) ------------------------------------------------------------

// Buffer 0: the diagnostic inquiry of the enclosure processor.
inline constexpr std::uint16_t kBufferDiagInquiry = 0;
namespace diaginquiry {
inline constexpr std::size_t kVendor = 0;  // 8 ASCII
inline constexpr std::size_t kVendorSize = 8;
inline constexpr std::size_t kProduct = 8;  // 16 ASCII
inline constexpr std::size_t kProductSize = 16;
inline constexpr std::size_t kRevision = 24;  // 4 ASCII
inline constexpr std::size_t kRevisionSize = 4;
inline constexpr std::size_t kVersion = 28;          // u8
inline constexpr std::size_t kDescriptorCount = 29;  // u8
inline constexpr std::size_t kDescriptors = 32;      // kDescriptorSize each
inline constexpr std::size_t kDescriptorSize = 8;    // u8 kind, 3 reserved, 4 ASCII revision
inline constexpr std::size_t kDescriptorRevision = 4;
inline constexpr std::size_t kMaxDescriptors = 12;
inline constexpr std::size_t kSize = kDescriptors + kMaxDescriptors * kDescriptorSize;
}  // namespace diaginquiry
// Firmware kinds of the descriptors.
inline constexpr std::uint8_t kFirmwareSep = 1;
inline constexpr std::uint8_t kFirmwareBpm = 2;
inline constexpr std::uint8_t kFirmwareFcm = 3;
inline constexpr std::uint8_t kFirmwareHmm = 4;
inline constexpr std::uint8_t kFirmwareSsd = 5;
inline constexpr std::uint8_t kFirmwareMicroController = 6;

// Buffers E0h + n: expander n (the count is the one-byte query of kTypeSasExpander).
inline constexpr std::uint16_t kBufferExpander = 0xE0;
namespace expander {
inline constexpr std::size_t kVendorId = 0;        // u32
inline constexpr std::size_t kAsicId = 4;          // u32
inline constexpr std::size_t kAsicRevision = 8;    // u32
inline constexpr std::size_t kWorldWideName = 12;  // 8 bytes, big-endian SAS address
inline constexpr std::size_t kPhyCount = 20;       // u8
inline constexpr std::size_t kPhyMap = 21;         // u8 per phy: the device slot attached, FFh none
inline constexpr std::size_t kMaxPhys = 43;
inline constexpr std::size_t kSize = kPhyMap + kMaxPhys;
}  // namespace expander
inline constexpr std::uint8_t kPhyUnattached = 0xFF;

// ---- SES-2 enclosure pages (element query), big-endian -------------------------------------------

inline constexpr std::uint16_t kSesConfiguration = 0x01;
inline constexpr std::uint16_t kSesEnclosureStatus = 0x02;

namespace page {  // the common 8-byte header
inline constexpr std::size_t kCode = 0;
inline constexpr std::size_t kLength = 2;      // u16 BE, bytes after byte 3
inline constexpr std::size_t kGeneration = 4;  // u32 BE
inline constexpr std::size_t kHeaderSize = 8;
}  // namespace page

// Configuration page: after the header one enclosure descriptor per subenclosure (this system uses
// the primary one only), then a 4-byte type descriptor header per element type, in the order the
// enclosure status page lists the elements.
namespace enclosuredescriptor {
inline constexpr std::size_t kTypeCount = 2;         // number of type descriptor headers
inline constexpr std::size_t kDescriptorLength = 3;  // bytes after byte 3
inline constexpr std::size_t kLogicalId = 4;         // 8 bytes
inline constexpr std::size_t kVendor = 12;           // 8 ASCII
inline constexpr std::size_t kProduct = 20;          // 16 ASCII
inline constexpr std::size_t kRevision = 36;         // 4 ASCII
inline constexpr std::size_t kMinimumSize = 40;
}  // namespace enclosuredescriptor
namespace typeheader {
inline constexpr std::size_t kElementType = 0;
inline constexpr std::size_t kPossibleElements = 1;
inline constexpr std::size_t kSubenclosure = 2;
inline constexpr std::size_t kTextLength = 3;
inline constexpr std::size_t kSize = 4;
}  // namespace typeheader

// Enclosure status page: after the header, per type descriptor header an overall status record and
// then one record per possible element, 4 bytes each.

// Element types.
inline constexpr std::uint8_t kTypeDeviceSlot = 0x01;
inline constexpr std::uint8_t kTypePowerSupply = 0x02;
inline constexpr std::uint8_t kTypeCooling = 0x03;
inline constexpr std::uint8_t kTypeTemperature = 0x04;
inline constexpr std::uint8_t kTypeCurrentSensor = 0x13;
inline constexpr std::uint8_t kTypeArrayDeviceSlot = 0x17;
inline constexpr std::uint8_t kTypeSasExpander = 0x18;

// Element status codes (byte 0, low 4 bits).
inline constexpr std::uint8_t kStatusMask = 0x0F;
inline constexpr std::uint8_t kStatusUnsupported = 0;
inline constexpr std::uint8_t kStatusOk = 1;
inline constexpr std::uint8_t kStatusCritical = 2;
inline constexpr std::uint8_t kStatusNonCritical = 3;
inline constexpr std::uint8_t kStatusUnrecoverable = 4;
inline constexpr std::uint8_t kStatusNotInstalled = 5;
inline constexpr std::uint8_t kStatusUnknown = 6;
inline constexpr std::uint8_t kStatusNotAvailable = 7;

// Temperature sensor: byte 2 the temperature as the enclosure reports it; byte 3 the limits crossed.
inline constexpr std::uint8_t kTempOverFailure = 0x08;
inline constexpr std::uint8_t kTempOverWarning = 0x04;
inline constexpr std::uint8_t kTempUnderFailure = 0x02;
inline constexpr std::uint8_t kTempUnderWarning = 0x01;

// Cooling: the actual speed is bytes 1-2 low byte first, low 10 bits (this controller's encoding);
// byte 3 the flags and the speed code.
inline constexpr std::uint16_t kFanSpeedMask = 0x03FF;
inline constexpr std::uint8_t kFanFail = 0x40;
inline constexpr std::uint8_t kFanRequestedOn = 0x20;
inline constexpr std::uint8_t kFanOff = 0x18;
inline constexpr std::uint8_t kFanSpeedCodeMask = 0x07;

// Power supply: byte 2 the DC conditions, byte 3 the failures.
inline constexpr std::uint8_t kPsDcOverVoltage = 0x08;
inline constexpr std::uint8_t kPsDcUnderVoltage = 0x04;
inline constexpr std::uint8_t kPsDcOverCurrent = 0x02;
inline constexpr std::uint8_t kPsFail = 0x40;
inline constexpr std::uint8_t kPsOff = 0x10;
inline constexpr std::uint8_t kPsOverTempFailure = 0x08;
inline constexpr std::uint8_t kPsTempWarning = 0x04;
inline constexpr std::uint8_t kPsAcFailure = 0x02;
inline constexpr std::uint8_t kPsDcFailure = 0x01;

// Current sensor: bytes 2-3 the current in hundredths of an ampere (BE).

// Device slot and array device slot control and status: byte 2 bit 1 identify (the locate LED),
// byte 3 bit 5 fault requested (the fault LED), byte 2 bit 7 active (control only).
inline constexpr std::uint8_t kSlotIdent = 0x02;      // byte 2
inline constexpr std::uint8_t kSlotActive = 0x80;     // byte 2
inline constexpr std::uint8_t kSlotFault = 0x20;      // byte 3
inline constexpr std::uint8_t kControlSelect = 0x80;  // byte 0 of every control record

// ---- Backplane processor buffers (receive / send diagnostic to a processor device) -----------------

inline constexpr std::uint8_t kReceiveOpcode = 0x08;
inline constexpr std::uint8_t kSendOpcode = 0x0A;
inline constexpr std::size_t kProcessorPage = 3;    // CDB byte
inline constexpr std::size_t kProcessorLength = 4;  // CDB byte
inline constexpr std::uint32_t kMaxProcessorTransfer = 240;
inline constexpr std::uint8_t kBufferChassisSerial = 0x93;
inline constexpr std::size_t kChassisSerialSize = 32;
inline constexpr std::size_t kChassisSerialText = 2;
// The alarm page: buffer 82h, 4 bytes; byte 2 holds one bit per alarm condition.
inline constexpr std::uint8_t kBufferAlarmPage = 0x82;
inline constexpr std::size_t kAlarmPageSize = 4;
inline constexpr std::size_t kAlarmFlags = 2;
inline constexpr std::uint8_t kAlarmOverTemperature = 0x01;
inline constexpr std::uint8_t kAlarmFanFailure = 0x02;
inline constexpr std::uint8_t kAlarmSidePanel = 0x04;
inline constexpr std::uint8_t kAlarmRedundantPower = 0x08;

}  // namespace rb::seslayout
