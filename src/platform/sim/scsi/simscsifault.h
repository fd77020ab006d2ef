#pragma once

// A fault declared on a simulated SCSI device:
//   <fault sense="3" asc="0x11" ascq="0" [opcode="0x28"] [lba="1000" count="8"] [retries="5"]/>
//       CHECK CONDITION with that sense for the commands it matches (an opcode, and for block commands
//       an LBA range that the command's blocks touch);
//   <fault kind="notReady" [until="ms"]/>  NOT READY (04h/01h, becoming ready) until the simulated
//       time given (for ever without it);
//   <fault kind="busy" [opcode=".."]/>     status BUSY;
//   <fault kind="driverFailure" error="1117" [opcode=".."]/>  the port's driver call fails with the
//       Windows error;
// and on a port <port openError="5"/> makes opening it fail.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/winapi.h"

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

struct SimScsiFault {
  enum Kind { kSense, kNotReady, kBusy, kDriverFailure };
  Kind kind = kSense;
  std::optional<std::uint8_t> opcode;
  std::optional<std::uint64_t> lba;
  std::uint64_t count = 1;
  std::uint8_t senseKey = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  long specific = -1;
  std::uint64_t until = UINT64_MAX;
  win::DWORD error = win::ERROR_IO_DEVICE;

  // Whether the fault applies to a command with this opcode touching [first, first + blocks) (no
  // range for commands without blocks) at simulated time `now`.
  bool Matches(std::uint8_t commandOpcode, std::optional<std::uint64_t> first, std::uint64_t blocks,
               std::uint64_t now) const;

  // The faults of a device element's <fault> children; raises MachineError for a malformed one.
  static std::vector<SimScsiFault> Read(const SimMachine& machine, const rb::XmlObject& device);
};

}  // namespace os
