#pragma once

// The 32-bit board identifiers of the array controllers (identify controller, byte 26) that change
// what the program does with a controller, each with its model name. One place for the values: the
// controller devices read the sets from here and the simulated machines declare their controllers
// with them (machines/demo.xml carries one of each set). The board database data/allboards.xml names
// the demo's controllers, by their PCI identity, with the same models; a test holds the two together.
//
//   SAS controller set        kSasBoards, eight boards: reported as SAS controllers, SAS and enclosure
//                             tests offered
//   storage-box board set     five of them: enclosure (SES), PHY and UID LED tests; I2C writes carry
//                             their length in CDB bytes 4-5
//   reduced-memory board set  two more of them: the cache LFSR test
//   plain SAS board           the eighth, in neither subset
//   legacy board range        kLegacyFirst..kLegacyLast inclusive, the older controllers

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace rb::arrayboards {

struct Board {
  std::uint32_t id;
  std::string_view model;
};

// Storage-box boards.
inline constexpr Board kStorageBox1{0x52420101, "RB Array Controller S410"};
inline constexpr Board kStorageBox2{0x52420102, "RB Array Controller S420"};
inline constexpr Board kThreeTestStorageBox{0x52420103, "RB Array Controller S430"};
inline constexpr Board kStorageBox4{0x52420104, "RB Array Controller S440"};
inline constexpr Board kStorageBox5{0x52420105, "RB Array Controller S450"};
// Reduced-memory boards.
inline constexpr Board kReducedMemory1{0x52420106, "RB Array Controller S210"};
inline constexpr Board kReducedMemory2{0x52420107, "RB Array Controller S220"};
// The plain SAS board.
inline constexpr Board kPlainSas{0x52420108, "RB Array Controller S600"};

inline constexpr std::array<Board, 5> kStorageBoxBoards = {kStorageBox1, kStorageBox2, kThreeTestStorageBox,
                                                           kStorageBox4, kStorageBox5};
inline constexpr std::array<Board, 2> kReducedMemoryBoards = {kReducedMemory1, kReducedMemory2};
inline constexpr std::array<Board, 8> kSasBoards = {kStorageBox1,    kStorageBox2, kThreeTestStorageBox,
                                                    kStorageBox4,    kStorageBox5, kReducedMemory1,
                                                    kReducedMemory2, kPlainSas};

// The legacy range, inclusive, and boards inside it.
inline constexpr std::uint32_t kLegacyFirst = 0x52410000;
inline constexpr std::uint32_t kLegacyLast = 0x524100FF;
inline constexpr Board kMemoryCheckedLegacy{0x52410040, "RB Array Controller L400"};
// The BMIC controller of the demo machine, an ordinary legacy board.
inline constexpr Board kLegacyBmic{0x52410020, "RB Array Controller L200"};
// A CISS board in neither set nor range.
inline constexpr Board kOtherCiss{0x52430001, "RB Array Controller C100"};

template <std::size_t N>
constexpr bool Contains(const std::array<Board, N>& set, std::uint32_t id) {
  return std::any_of(set.begin(), set.end(), [id](const Board& board) { return board.id == id; });
}
inline constexpr bool IsSasBoard(std::uint32_t id) {
  return Contains(kSasBoards, id);
}
inline constexpr bool IsStorageBoxBoard(std::uint32_t id) {
  return Contains(kStorageBoxBoards, id);
}
inline constexpr bool IsReducedMemoryBoard(std::uint32_t id) {
  return Contains(kReducedMemoryBoards, id);
}
inline constexpr bool IsLegacyBoard(std::uint32_t id) {
  return id >= kLegacyFirst && id <= kLegacyLast;
}

static_assert(!IsStorageBoxBoard(kPlainSas.id) && !IsReducedMemoryBoard(kPlainSas.id));
static_assert(IsStorageBoxBoard(kThreeTestStorageBox.id) && IsLegacyBoard(kMemoryCheckedLegacy.id));
static_assert(!IsSasBoard(kOtherCiss.id) && !IsLegacyBoard(kOtherCiss.id) && IsLegacyBoard(kLegacyBmic.id));

}  // namespace rb::arrayboards
