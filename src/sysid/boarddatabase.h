#pragma once

// A board database: an XML file listing PCI boards by their IDs,
//   <SSBoardList>
//     <PCI>
//       <dev id="VVVVDDDDSSSSBBBB">   (vendor, device, subsystem vendor, subsystem: upper-case hex;
//         <name>...</name>              or "VVVVDDDD" for every board of that vendor and device)
//         <PhyType>...</PhyType>
//         <HardwareErrorsSupport>1</HardwareErrorsSupport>
//         <FormatErrorsSupport>0</FormatErrorsSupport>
//         <PredictiveFailureErrorsSupport>1</PredictiveFailureErrorsSupport>
//       </dev>
//     </PCI>
//   </SSBoardList>
//
// The file is looked for at a list of places and loaded on first use, under a mutex of its own whose
// wait is bounded; the first candidate whose root is SSBoardList is taken. Lookups are answered from
// indexes built once at load, with the results of the equivalent path queries.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/mutex.h"

namespace rb {

struct BoardCapabilities {
  std::uint8_t hardwareErrors = 0;
  std::uint8_t formatErrors = 0;
  std::uint8_t predictiveFailure = 0;
};

class BoardDatabase {
 public:
  static constexpr const char* kRootName = "SSBoardList";

  explicit BoardDatabase(std::vector<std::string> candidates);
  ~BoardDatabase();
  BoardDatabase(const BoardDatabase&) = delete;
  BoardDatabase& operator=(const BoardDatabase&) = delete;

  // Whether a candidate with the right root was loaded.
  bool Accepted();
  // The text of "PCI/dev[@id='<key>']/name": the first name element under a dev whose id matches the
  // key ignoring case. Without an accepted candidate, the last file that could be read is asked (a
  // document of another kind, usually nothing). Nothing when no such element exists.
  std::optional<std::string> Name(std::string_view key);
  // The board's name under the four-ID key, else under the vendor and device key; nothing when the
  // name found is empty.
  std::optional<std::string> LookupName(std::uint16_t vendor, std::uint16_t device, std::uint16_t subVendor,
                                        std::uint16_t subsystem);
  // The text of the board's PhyType element (its attachment: "SATA", "IDE RAID", "IDE", "SAS", ...)
  // under the four-ID key, else under the vendor and device key; nothing when neither has one.
  std::optional<std::string> LookupPhyType(std::uint16_t vendor, std::uint16_t device,
                                           std::uint16_t subVendor, std::uint16_t subsystem);
  // The support bytes of the first dev of the first PCI element whose id equals the key exactly;
  // a missing support element reads 0. Nothing without an accepted candidate or a matching dev.
  std::optional<BoardCapabilities> Capabilities(std::string_view key);

  // Forgets what was loaded, so that the next lookup loads again.
  void Reset();

 private:
  struct Contents;
  std::shared_ptr<const Contents> Load();

  const std::vector<std::string> candidates_;
  Mutex loadMutex_;         // held while a load runs; waits are bounded
  std::mutex publishLock_;  // guards contents_ only
  std::shared_ptr<const Contents> contents_;
};

// "%04X%04X%04X%04X" and "%04X%04X": the keys of a board.
std::string BoardKey(std::uint16_t vendor, std::uint16_t device, std::uint16_t subVendor,
                     std::uint16_t subsystem);
std::string BoardKey(std::uint16_t vendor, std::uint16_t device);

}  // namespace rb
