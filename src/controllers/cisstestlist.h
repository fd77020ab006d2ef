#pragma once

// The tests a CISS controller offers, in the order they are listed, and the rules that pick them by
// the controller's board (arrayboards.h), its memory, its backplanes and the all-tests flag of a
// catalog request. Each entry is one test instance: its class, internal name, caption and the codes
// it is made with (diagnostic group and code, NVRAM region, LED settings).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rb {

struct CissBoardFacts {
  std::uint32_t board = 0;
  bool allTests = false;
  bool supported = true;
  std::uint8_t installedMemory = 0;
  std::uint8_t totalMemory = 0;
  // The controller reports SGPIO backplanes.
  bool sgpioBackplanes = false;
};

struct CissTestEntry {
  int row;
  std::string_view testClass;
  std::string name;
  std::string caption;
  std::vector<int> codes;
};

std::vector<CissTestEntry> CissTestList(const CissBoardFacts& facts);
// The internal names, in order: what the device offers.
std::vector<std::string_view> CissTestNames(const std::vector<CissTestEntry>& list);

}  // namespace rb
