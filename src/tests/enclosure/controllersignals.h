#pragma once

// What the controller-signal tests read from an array controller, decoded from the vendor replies
// (field layouts in src/controllers/arraylayouts.h: picbattery, asicrevisions, worldwidenames,
// storageboxversion) and the battery gauges (namespace signals). Each read raises what the
// controller's send raises.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rb {

class CissDevice;

enum class PicLine { kLow, kHigh, kUnknown };

struct BatteryGauge {
  std::uint8_t status = 0;
  std::uint8_t loadCurrent = 0;
};

using WorldWideName = std::array<std::uint8_t, 8>;

PicLine ReadPicInterruptLine(CissDevice& controller);
// "Low", "High" or "Unknown".
const char* PicLineText(PicLine line);
std::uint32_t ReadEccCount(CissDevice& controller);
std::uint32_t ReadLinkWidth(CissDevice& controller);
// The phys' speed codes as 16 upper-case hex digits.
std::string ReadPhySpeedMap(CissDevice& controller, bool expander);
// 0 is the controller's own, 1 and 2 the expanders'.
WorldWideName ReadWorldWideName(CissDevice& controller, std::size_t which);
std::string WorldWideNameText(const WorldWideName& name);
// Parses 16 hex digits (an optional 0x prefix); false for anything else.
bool ParseWorldWideName(const std::string& text, WorldWideName& name);
// PSoC 0 SEP, 1 fan, 2 and 3 the LED PSoCs: the version's text (4 characters, padding dropped).
std::string ReadPsocVersion(CissDevice& controller, std::size_t which);
BatteryGauge ReadBatteryGauge(CissDevice& controller, std::uint8_t address);

}  // namespace rb
