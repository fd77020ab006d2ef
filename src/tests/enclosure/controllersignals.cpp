#include "tests/enclosure/controllersignals.h"

#include <algorithm>
#include <cctype>

#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "devices/scsi/scsicommandrecord.h"
#include "support/debug.h"
#include "support/stringutil.h"

namespace rb {

namespace layout = arraylayout;
namespace sig = arraylayout::signals;
namespace pb = arraylayout::picbattery;
namespace ar = arraylayout::asicrevisions;
namespace wn = arraylayout::worldwidenames;
namespace sb = arraylayout::storageboxversion;

PicLine ReadPicInterruptLine(CissDevice& controller) {
  const std::uint8_t line = controller.PicBatteryInformation()[pb::kInterruptLine];
  if (line == pb::kLineLow) return PicLine::kLow;
  if (line == pb::kLineHigh) return PicLine::kHigh;
  return PicLine::kUnknown;
}

const char* PicLineText(PicLine line) {
  switch (line) {
    case PicLine::kLow:
      return "Low";
    case PicLine::kHigh:
      return "High";
    default:
      return "Unknown";
  }
}

std::uint32_t ReadEccCount(CissDevice& controller) {
  return layout::Get16(controller.AsicRevisions().data(), ar::kEccCount);
}

std::uint32_t ReadLinkWidth(CissDevice& controller) {
  return controller.AsicRevisions()[ar::kLinkWidth];
}

std::string ReadPhySpeedMap(CissDevice& controller, bool expander) {
  const std::vector<std::uint8_t> reply = controller.AsicRevisions();
  const std::size_t at = expander ? ar::kExpanderPhyMap : ar::kControllerPhyMap;
  std::string text;
  for (std::size_t i = 0; i < ar::kPhyMapSize; ++i) text += StringPrintf("%02X", reply[at + i]);
  return text;
}

WorldWideName ReadWorldWideName(CissDevice& controller, std::size_t which) {
  const std::vector<std::uint8_t> reply = controller.WorldWideNames();
  WorldWideName name{};
  const std::size_t at = which == 0 ? wn::kController : which == 1 ? wn::kExpander : wn::kExpander2;
  for (std::size_t i = 0; i < name.size(); ++i) name[i] = reply[at + i];
  return name;
}

std::string WorldWideNameText(const WorldWideName& name) {
  std::string text;
  for (const std::uint8_t byte : name) text += StringPrintf("%02X", byte);
  return text;
}

bool ParseWorldWideName(const std::string& text, WorldWideName& name) {
  std::string digits = Trim(text);
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.erase(0, 2);
  if (digits.size() != 2 * name.size()) return false;
  for (const char c : digits)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    name[i] = static_cast<std::uint8_t>(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
  return true;
}

std::string ReadPsocVersion(CissDevice& controller, std::size_t which) {
  const std::vector<std::uint8_t> reply = controller.StorageBoxVersion();
  const auto at = reply.begin() + static_cast<std::ptrdiff_t>(sb::kSepPsoc + which * sb::kPsocVersionSize);
  // Padded with blanks or zeros.
  std::string text(at, at + static_cast<std::ptrdiff_t>(sb::kPsocVersionSize));
  text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
  return Trim(text);
}

BatteryGauge ReadBatteryGauge(CissDevice& controller, std::uint8_t address) {
  DebugPrint("i2c device address = %02x\n", address);
  std::vector<std::uint8_t> data(sig::kGaugeSize, 0);
  controller.ReadWriteI2CDevice(address, data.data(), static_cast<std::uint32_t>(data.size()), false);
  BatteryGauge gauge{data[sig::kGaugeStatus], data[sig::kGaugeLoadCurrent]};
  DebugPrint("battery status = %02x\n", gauge.status);
  DebugPrint("battery load current = %02x\n", gauge.loadCurrent);
  return gauge;
}

}  // namespace rb
