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
//   <fault kind="corrupt" [opcode="0x28"] lba="n" [count="1"] [byte="0"]/>  the data a command reads
//       from those blocks comes back with byte `byte` of each block inverted (a miscompare), the medium
//       itself unharmed;
// and on any of them skip="n" lets the first n matching commands pass untouched and times="n" ends the
// fault after it applied n times (a read-back fault: skip="1" times="1" on a READ fails the second
// read of the blocks, after the first has saved them);
// and on a port <port openError="5"/> makes opening it fail.

#include <cstddef>
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
  enum Kind { kSense, kNotReady, kBusy, kDriverFailure, kCorrupt };
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
  std::uint64_t byte = 0;
  std::uint64_t skip = 0;
  std::uint64_t times = UINT64_MAX;
  // Matching commands seen so far (for skip and times).
  std::uint64_t seen = 0;

  // Whether the fault applies to a command with this opcode touching [first, first + blocks) (no
  // range for commands without blocks) at simulated time `now`.
  bool Matches(std::uint8_t commandOpcode, std::optional<std::uint64_t> first, std::uint64_t blocks,
               std::uint64_t now) const;

  // Matches, counting the command against skip and times: whether the fault applies to it.
  bool Applies(std::uint8_t commandOpcode, std::optional<std::uint64_t> first, std::uint64_t blocks,
               std::uint64_t now);
  // Inverts the fault's byte in each of its blocks among the `blocks` read from `first` into `data`.
  void Corrupt(std::uint64_t first, std::uint64_t blocks, std::uint8_t* data, std::size_t length) const;
  // The faults of a device element's <fault> children; raises MachineError for a malformed one.
  static std::vector<SimScsiFault> Read(const SimMachine& machine, const rb::XmlObject& device);
};

}  // namespace os
