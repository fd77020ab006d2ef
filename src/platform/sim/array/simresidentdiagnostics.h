#pragma once

// The controller-resident diagnostics of a simulated array controller: BMIC 42h sub-function D1h
// starts one (8 bytes out: group, 0, code and argument as u16), D3h reads its result record (260 bytes
// in, arraylayouts.h diagresult). <diagnostic group="g" code="c" result="r" [seconds="s"] [never="1"]
// [intPhy="m0 m1"] [extPhy="m0 .. m5"] [intDrive="m0 m1"] [extDrive="m0 .. m5"]/> children of the
// port declare what a diagnostic answers: its error code once `seconds` of simulated time have passed
// since its start (never, with never="1"; the record then says it still runs), and the maps of the
// SAS map checks (hexadecimal). An undeclared diagnostic passes at once; the record of a controller
// that has started none answers code 0 as well.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/sim/scsi/simscsicommand.h"
#include "platform/sim/simclock.h"

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

class SimResidentDiagnostics {
 public:
  explicit SimResidentDiagnostics(std::shared_ptr<SimClock> clock) : clock_(std::move(clock)) {}

  void Declare(const SimMachine& machine, const rb::XmlObject& element);
  // D1h with the start record in the command's data; D3h into it.
  void Start(SimScsiCommand& command);
  void Result(SimScsiCommand& command);

  // The group, code and argument of the last start (tests look at what was sent).
  struct Started {
    std::uint8_t group;
    std::uint16_t code;
    std::uint16_t argument;
  };
  const std::optional<Started>& LastStarted() const { return started_; }

 private:
  struct Declared {
    std::uint8_t group;
    std::uint16_t code;
    std::uint8_t result;
    std::uint64_t milliseconds;
    bool never;
    std::vector<std::uint32_t> internalPhy, externalPhy, internalDrive, externalDrive;
  };
  const Declared* Find(std::uint8_t group, std::uint16_t code) const;

  std::shared_ptr<SimClock> clock_;
  std::vector<Declared> declared_;
  std::optional<Started> started_;
  std::uint64_t startedAt_ = 0;
};

}  // namespace os
