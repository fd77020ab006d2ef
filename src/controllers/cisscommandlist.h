#pragma once

// A CISS command as the CISS controller builds it (the published command-list layout, packed), with
// the error information record the controller writes back after every command. Past the controller's
// own part, the list carries the program's link to the caller's error record, through which
// CissDriver returns the results.

#include <cstddef>
#include <cstdint>

namespace rb {

// The type byte's direction bits (6-7).
enum CissListDirection : std::uint8_t {
  kCissListNoData = 0,
  kCissListDataOut = 1,
  kCissListDataIn = 2,
};

#pragma pack(push, 1)

struct CissErrorInfo {
  std::uint8_t scsiStatus;
  std::uint8_t senseLength;
  std::uint16_t commandStatus;
  std::uint32_t residualCount;
  // For an invalid command, byte 2 is the size of the offending field and byte 3 its number.
  std::uint8_t moreErrorInfo[8];
  std::uint8_t senseData[32];
};
static_assert(sizeof(CissErrorInfo) == 48);

struct CissScatterGatherEntry {
  std::uint64_t address;
  std::uint32_t length;
  std::uint32_t extension;
};

struct CissCommandList {
  static constexpr std::uint32_t kTag = 0x3400;
  static constexpr std::uint16_t kTimeoutSeconds = 60;
  static constexpr int kEntries = 31;

  std::uint8_t replyQueue;
  std::uint8_t scatterGatherList;
  std::uint16_t scatterGatherTotal;
  std::uint32_t tag;
  std::uint32_t tagHigh;
  std::uint8_t lunAddress[8];
  std::uint8_t cdbLength;
  // Bits 0-2 type (0 command), 3-5 attribute (4 simple queue), 6-7 direction (CissListDirection).
  std::uint8_t type;
  std::uint16_t timeout;
  std::uint8_t cdb[16];
  std::uint64_t errorDescriptor;
  std::uint32_t errorDescriptorLength;
  CissScatterGatherEntry entries[kEntries];
  CissErrorInfo* errorRecord;

  CissListDirection Direction() const { return static_cast<CissListDirection>(type >> 6); }
};
static_assert(offsetof(CissCommandList, lunAddress) == 12 && offsetof(CissCommandList, cdbLength) == 20);
static_assert(offsetof(CissCommandList, timeout) == 22 && offsetof(CissCommandList, cdb) == 24);
static_assert(offsetof(CissCommandList, errorDescriptor) == 40 && offsetof(CissCommandList, entries) == 52);
static_assert(offsetof(CissCommandList, errorRecord) == 52 + 31 * 16);

#pragma pack(pop)

}  // namespace rb
