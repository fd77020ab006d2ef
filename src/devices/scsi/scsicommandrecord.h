#pragma once

// What a SCSI device keeps of its last command (written by its send operation and by ScsiDriver),
// its address on its port, its inquiry cache and its CSMI address.

#include <array>
#include <cstdint>

#include "devices/scsi/scsisense.h"

namespace rb {

// Direction codes that callers pass with a CDB. Only kDataIn moves data from the device; the three
// others send the caller's buffer out (none of them reads into it).
enum ScsiDirection : int {
  kNoData = 0,
  kDataIn = 1,
  kDataOut = 2,
  kDataOutFormat = 3,  // FORMAT UNIT's parameter list
  kNoDataSense = 4,    // TEST UNIT READY with the sense area as its buffer
};

// A device's address for CSMI SSP and STP requests.
struct CsmiAddress {
  std::array<std::uint8_t, 8> sasAddress{};
  std::array<std::uint8_t, 8> lun{};
  std::uint8_t phyIdentifier = 0xFF;
};

// The registers of the last CSMI STP request: the command FIS sent, the status FIS received and the
// first bytes of the SATA status (SCR) block.
struct StpRegisters {
  std::array<std::uint8_t, 20> commandFis{};
  std::array<std::uint8_t, 20> statusFis{};
  std::array<std::uint8_t, 6> sataStatus{};
};

struct ScsiCommandRecord {
  std::array<std::uint8_t, 16> cdb{};
  std::int32_t cdbLength = 0;
  std::uint8_t status = 0;
  std::array<std::uint8_t, kSenseAreaSize> sense{};
  std::uint8_t path = 0;
  std::uint8_t target = 0;
  std::uint8_t lun = 0;
  std::array<std::uint8_t, 512> inquiry{};
  bool inquiryValid = false;
  std::uint8_t deviceType = 0xFF;  // 0xFF until INQUIRY was read
  StpRegisters stp;
  // Two sources of the CSMI address: the address block (when useAddressBlock is set), else the copy
  // of the device's phy information, whose phy identifier then names the phy to use.
  CsmiAddress csmiAddressBlock;
  CsmiAddress csmiPhyCopy;
  bool useAddressBlock = false;

  // Stores a CDB of up to 16 bytes, zero-padded.
  void SetCdb(const std::uint8_t* bytes, std::int32_t length) {
    cdb.fill(0);
    cdbLength = length;
    for (std::int32_t i = 0; i < length && i < 16; ++i) cdb[i] = bytes[i];
  }
};

}  // namespace rb
