#include "tests/enclosure/controllersignals.h"

#include <cctype>

#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "devices/scsi/scsicommandrecord.h"
#include "support/debug.h"
#include "support/stringutil.h"

namespace rb {

namespace layout = arraylayout;
namespace sig = arraylayout::signals;

std::vector<std::uint8_t> ReadSignalReply(CissDevice& controller, std::uint8_t subFunction) {
  // CDB byte 0: D6h and DAh go as reads (26h), DCh and DFh as writes (27h).
  const bool readCdb = subFunction == layout::kVendorPicBattery || subFunction == layout::kVendorWorldWideNames;
  std::size_t size = layout::kStorageBoxVersionSize;
  if (subFunction == layout::kVendorPicBattery) size = sig::kPicBatterySize;
  if (subFunction == layout::kVendorWorldWideNames) size = sig::kWorldWideNamesSize;
  if (subFunction == layout::kVendorAsicRevisions) size = sig::kAsicRevisionsSize;
  std::vector<std::uint8_t> reply(size, 0);
  controller.SendVendorCommand(subFunction, 0, readCdb, reply.data(), static_cast<std::uint32_t>(size), kDataIn);
  return reply;
}

PicLine ReadPicInterruptLine(CissDevice& controller) {
  const std::uint8_t line = ReadSignalReply(controller, layout::kVendorPicBattery)[sig::kPicInterruptLine];
  if (line == sig::kPicLineLow) return PicLine::kLow;
  if (line == sig::kPicLineHigh) return PicLine::kHigh;
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
  return layout::Get32(ReadSignalReply(controller, layout::kVendorPicBattery).data(), sig::kEccCount);
}

std::uint32_t ReadLinkWidth(CissDevice& controller) {
  return ReadSignalReply(controller, layout::kVendorAsicRevisions)[sig::kLinkWidth];
}

std::string ReadPhySpeedMap(CissDevice& controller, bool expander) {
  const std::vector<std::uint8_t> reply = ReadSignalReply(controller, layout::kVendorAsicRevisions);
  const std::size_t at = expander ? sig::kExpanderPhyMap : sig::kControllerPhyMap;
  std::string text;
  for (std::size_t i = 0; i < sig::kPhyMapSize; ++i) text += StringPrintf("%02X", reply[at + i]);
  return text;
}

WorldWideName ReadWorldWideName(CissDevice& controller, std::size_t which) {
  const std::vector<std::uint8_t> reply = ReadSignalReply(controller, layout::kVendorWorldWideNames);
  WorldWideName name{};
  const std::size_t at = which == 0 ? sig::kControllerWwn : sig::kExpanderWwn + (which - 1) * sig::kWwnSize;
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
  const std::size_t at = sig::kPsocVersions + 2 * which;
  return StringPrintf("%d.%02d", reply[at], reply[at + 1]);
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
