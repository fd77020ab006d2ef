#pragma once

// The miniport requests of a simulated array controller's port, as its driver frames them
// (src/controllers/arraylayouts.h): the controller queries (driver information, configuration,
// status; signature "CSMIALL" or "ZBRCSMI"), on a BMIC controller the BMIC request (code 1) and the
// SCSI-through-BMIC request (code 2) with "ZBRBMIC", on a CISS controller the CISS request (code 2)
// with "ZBRCISS". A request of the other controller kind, or with a signature the driver does not
// know, answers return code 3 (invalid parameter), an unknown control code 2; a header whose lengths
// do not match the buffer fails the call itself (ERROR_INVALID_PARAMETER).
//
// CISS requests reach the controller (LUN address of eight zero bytes: report physical and logical
// LUNs, INQUIRY, the BMIC-over-CISS CDBs 26h/27h), a logical volume (its entry of the logical LUN
// report: the disk commands of simvolumelun.h), an external controller (its entry of the physical LUN
// report: the controller commands, answered by that controller) or a physical drive or backplane (its
// entry of the physical LUN report: every CDB goes to the unit itself). The physical LUN report lists
// the drives, the backplanes, then each external controller followed by its drives. Physical LUN
// entries are written in the controller's addressing mode:
//   mode 0  bytes 0-3 = bus << 24 | target (little-endian), bytes 4-7 = the entry's number from 1
//   mode 3  bytes 0-1 = the entry's number from 1, byte 3 = C0h, byte 6 = target, byte 7 = bus
// Logical LUN entries are 40000000h | volume number in bytes 0-3 (mode 1), then four zero bytes.
// A command the controller does not know completes as an invalid command naming CDB byte 0; a BMIC
// command that fails completes with target status and CHECK CONDITION sense (ILLEGAL REQUEST for an
// unknown command or unit or a short buffer, MEDIUM ERROR for a transfer of a failed volume). Of the
// vendor command 42h the I2C access (sub-function D4h) is answered, reading (26h) or writing (27h)
// the NVRAM part at the address in CDB byte 9, and the controller's self-description (D5h, D6h, D7h,
// DAh, DCh, DFh; simcontrollerinfo.h); the others are invalid commands naming byte 8.

#include <cstdint>

#include "platform/sim/array/simarraycontroller.h"
#include "platform/winapi.h"

namespace os {

class SimArrayMiniport {
 public:
  explicit SimArrayMiniport(SimArrayController& controller) : controller_(controller) {}

  // One IOCTL_SCSI_MINIPORT request, `buffer` both in and out.
  win::DWORD Request(void* buffer, win::DWORD length);

 private:
  std::uint32_t Query(std::uint32_t code, std::uint8_t* body, std::size_t size);
  void BmicRequest(std::uint8_t* request, std::size_t length);
  void ScsiThroughBmic(std::uint8_t* request, std::size_t length);
  void CissRequest(std::uint8_t* request, std::size_t length);
  // Runs a CDB for the controller itself; fills the command's answer.
  void ControllerCommand(SimScsiCommand& command, std::uint16_t& status, std::uint8_t* moreError);
  void ReportLuns(SimScsiCommand& command, bool physical);
  void BmicOverCiss(SimScsiCommand& command, std::uint16_t& status, std::uint8_t* moreError);
  // BMIC 42h, the vendor sub-functions (CDB byte 8; byte 9 its argument).
  void Vendor(SimScsiCommand& command, std::uint16_t& status, std::uint8_t* moreError);
  // BMIC 42h sub-functions D5h, D6h, D7h, DAh, DCh and DFh: the controller's <vendorInfo>.
  void ControllerInfo(SimScsiCommand& command, std::uint16_t& status, std::uint8_t* moreError);
  // BMIC 42h sub-function D4h: the NVRAM part at the I2C address of CDB byte 9.
  void I2cAccess(SimScsiCommand& command);

  SimArrayController& controller_;
};

}  // namespace os
