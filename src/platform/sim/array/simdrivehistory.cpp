#include "platform/sim/array/simdrivehistory.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "controllers/arraylayouts.h"
#include "platform/sim/simmachine.h"
#include "support/stringutil.h"

namespace os {

namespace {

namespace layout = rb::arraylayout;
namespace history = layout::drivehistory;

SimDriveHistory::Kind KindOf(const SimMachine& machine, const rb::XmlObject& element) {
  const std::string kind = element.GetAttribute("history", "clean");
  if (rb::EqualsNoCase(kind, "clean")) return SimDriveHistory::Kind::kClean;
  if (rb::EqualsNoCase(kind, "amber")) return SimDriveHistory::Kind::kAmber;
  if (rb::EqualsNoCase(kind, "failing")) return SimDriveHistory::Kind::kFailing;
  machine.Reject("<drive> history '" + kind + "' is none of clean, amber, failing");
}

// The controller's failure reasons the simulated drives carry: a recovered bus fault for the amber
// drive, a predictive (SMART) failure for the failing one.
constexpr std::uint8_t kReasonBusFault = 0x0B;
constexpr std::uint8_t kReasonPredictiveFailure = 0x13;
constexpr std::uint32_t kRecordTime = 0x5F3A2C00;

std::uint32_t Count(const SimMachine& machine, const rb::XmlObject& element, std::string_view name,
                    std::uint32_t fallback) {
  return element.FindAttribute(name) ? static_cast<std::uint32_t>(machine.Number(element, name, UINT32_MAX))
                                     : fallback;
}

std::string Connector(const SimMachine& machine, const rb::XmlObject& element) {
  std::string connector = element.GetAttribute("connector", "1A");
  if (connector.size() > layout::identifyphysical::kConnectorSize)
    machine.Reject("<drive> connector '" + connector + "' is longer than two characters");
  return connector;
}

}  // namespace

SimDriveHistory::SimDriveHistory(const SimMachine& machine, const rb::XmlObject& element)
    : kind_(KindOf(machine, element)), connector_(Connector(machine, element)) {
  const std::uint32_t failing = kind_ == Kind::kFailing ? 1 : 0;
  placeAndErrors_ = {
      Count(machine, element, "enclosure", 1),
      Count(machine, element, "bay", static_cast<std::uint32_t>(machine.Number(element, "target", 31)) + 1),
      Count(machine, element, "readErrorsHard", failing),
      Count(machine, element, "readErrorsRecovered", 0),
      Count(machine, element, "writeErrorsHard", 0),
      Count(machine, element, "writeErrorsRecovered", 0),
      Count(machine, element, "predictiveFailures", failing)};
}

std::vector<std::uint8_t> SimDriveHistory::Reply(std::uint8_t record) const {
  std::vector<std::uint8_t> reply(history::kSize);
  const bool failing = kind_ == Kind::kFailing;
  switch (record) {
    case history::kRecords: {
      reply[0] = 1;
      std::uint8_t* entry = reply.data() + history::kRecordEntries;
      entry[0] = 1;  // in the controller's physical configuration
      entry[1] = kind_ == Kind::kClean ? 0 : failing ? kReasonPredictiveFailure : kReasonBusFault;
      layout::Put32(entry, 4, kind_ == Kind::kClean ? 0 : kRecordTime);
      break;
    }
    case history::kSmart:
      reply[0] = failing;
      reply[1] = failing;
      break;
    case history::kSelfTest:
      reply[0] = failing;
      break;
    case history::kPerformance:
      reply[0] = failing;
      reply[1] = failing;
      break;
    case history::kScsiErrors:
      if (failing) {
        // Two hardware errors (sense key 4) and an unrecovered read (sense key 3) at one block.
        constexpr std::array<std::array<std::uint8_t, 3>, 3> kSense = {
            {{4, 0x44, 0}, {4, 0x32, 0}, {3, 0x11, 0}}};
        reply[0] = static_cast<std::uint8_t>(kSense.size());
        for (std::size_t i = 0; i < kSense.size(); ++i) {
          std::uint8_t* entry = reply.data() + history::kErrorEntries + i * history::kErrorEntrySize;
          layout::Put32(entry, 0, 1200 + 10 * static_cast<std::uint32_t>(i));
          entry[4] = 2;  // check condition
          entry[6] = kSense[i][0];
          entry[7] = kSense[i][1];
          entry[8] = kSense[i][2];
          layout::Put32(entry, 12, 0x0001A2B0);
          layout::Put32(entry, 16, kRecordTime + static_cast<std::uint32_t>(i));
        }
      }
      break;
    case history::kClientLog: {
      const std::string log = "client log of a " +
                              std::string(kind_ == Kind::kClean ? "clean"
                                          : failing             ? "failing"
                                                                : "amber") +
                              " drive\n";
      layout::Put32(reply.data(), 0, static_cast<std::uint32_t>(log.size()));
      std::copy(log.begin(), log.end(), reply.begin() + 4);
      break;
    }
    default:
      return {};
  }
  return reply;
}

void SimDriveHistory::PutCounters(std::vector<std::uint8_t>& reply) const {
  // In the order of the counter list: SMART support and enabling, last failure reason, reference
  // time, sectors read, corrected reads, sectors written, seeks; then the error counts.
  const bool failing = kind_ == Kind::kFailing;
  const std::uint32_t reason = kind_ == Kind::kClean ? 0
                               : failing             ? kReasonPredictiveFailure
                                                     : kReasonBusFault;
  const std::array<std::uint32_t, layout::kPhysicalDriveCounters.size()> counters = {
      1,
      1,
      reason,
      0x00012C40,
      0x3B9ACA00,
      failing ? 0x2Fu : 2u,
      0x1DCD6500,
      0x00989680,
      failing ? 7u : 0u,                // seek errors
      failing ? 4u : 0u,                // timeouts
      kind_ == Kind::kClean ? 0u : 1u,  // recovers
      failing ? 3u : 0u,
      0,
      0,
      0,
      kind_ == Kind::kAmber ? 1u : 0u,  // bus faults
      0,
      failing ? 12u : 0u,  // media failures
      failing ? 3u : 0u,   // hardware errors
      0,
      0};
  for (std::size_t i = 0; i < counters.size(); ++i)
    layout::Put32(reply.data(), layout::identifyphysical::kCounters + 4 * i, counters[i]);
}

void SimDriveHistory::PutStorageArrayCounters(std::vector<std::uint8_t>& reply, bool operational) const {
  // The connector's word, the place and error words, then the present-and-operational word.
  static_assert(std::tuple_size_v<decltype(placeAndErrors_)> + 2 ==
                layout::kStorageArrayDriveCounters.size());
  const std::size_t first = layout::identifyphysical::kStorageArrayCounters;
  std::copy(connector_.begin(), connector_.end(), reply.begin() + static_cast<std::ptrdiff_t>(first));
  for (std::size_t i = 0; i < placeAndErrors_.size(); ++i)
    layout::Put32(reply.data(), first + 4 * (i + 1), placeAndErrors_[i]);
  layout::Put32(reply.data(), first + 4 * (placeAndErrors_.size() + 1), operational ? 1 : 0);
}

}  // namespace os
