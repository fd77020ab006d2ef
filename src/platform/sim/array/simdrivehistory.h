#pragma once

// What a simulated array controller has recorded about one physical drive: <drive ...
// history="clean|amber|failing">. A clean drive has an empty record; an amber drive has its amber light
// on after a past failure the controller recovered from, with clean logs; a failing drive has tripped
// its SMART threshold, failed a self-test, crossed a performance threshold and logged hardware errors.
// The history gives the drive-history replies, the error and usage counters of identify physical
// drive and the amber light; a blink request is kept for the tests to see.
//
// Behind a storage-array controller identify physical drive also carries the drive's place and its
// hard and recovered error counts: [connector="1A"] (two characters) [enclosure="1"]
// [bay="target + 1"] [readErrorsHard= readErrorsRecovered= writeErrorsHard= writeErrorsRecovered=
// predictiveFailures=], counts 0 by default, but a failing drive's hard read errors and predictive
// failures 1 each (its logged unrecovered read and its SMART trip).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/xmlobject.h"

namespace os {

class SimMachine;

class SimDriveHistory {
 public:
  enum class Kind { kClean, kAmber, kFailing };

  SimDriveHistory(const SimMachine& machine, const rb::XmlObject& element);

  Kind History() const { return kind_; }
  bool AmberLight() const { return kind_ != Kind::kClean; }
  // The drive-history reply for `record` (arraylayouts.h); empty for a record the controller lacks.
  std::vector<std::uint8_t> Reply(std::uint8_t record) const;
  // Writes the counters of identify physical drive into `reply`.
  void PutCounters(std::vector<std::uint8_t>& reply) const;
  // Writes a storage-array controller's own drive words into `reply`; `operational` is the drive's
  // present-and-operational word.
  void PutStorageArrayCounters(std::vector<std::uint8_t>& reply, bool operational) const;
  void Blink(std::uint16_t seconds) { blinkSeconds_ = seconds; }
  std::uint16_t BlinkSeconds() const { return blinkSeconds_; }

 private:
  Kind kind_;
  std::string connector_;
  // Enclosure number and bay, the four read and write error counts, the predictive failures: in the
  // reply's order.
  std::array<std::uint32_t, 7> placeAndErrors_{};
  std::uint16_t blinkSeconds_ = 0;
};

}  // namespace os
