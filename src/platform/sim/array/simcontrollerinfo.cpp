#include "platform/sim/array/simcontrollerinfo.h"

#include <algorithm>
#include <string>

#include "controllers/arraylayouts.h"
#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace layout = rb::arraylayout;

namespace {

// The attribute's value, 0 when absent.
std::uint64_t Value(const SimMachine& machine, const rb::XmlObject& element, std::string_view name,
                    std::uint64_t max) {
  return element.FindAttribute(name) ? machine.Number(element, name, max) : 0;
}

// `count` bytes of the attribute's value, most significant first.
void PutBytes(std::vector<std::uint8_t>& reply, std::size_t offset, std::size_t count, std::uint64_t value) {
  for (std::size_t i = 0; i < count; ++i)
    reply[offset + i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
}

void PutText(std::vector<std::uint8_t>& reply, std::size_t offset, std::size_t width,
             const std::string& text) {
  std::copy_n(text.begin(), std::min(width, text.size()), reply.begin() + offset);
}

}  // namespace

SimControllerInfo::SimControllerInfo(const SimMachine& machine, const rb::XmlObject& element)
    : cpld_(layout::cpldversion::kSize),
      diagRom_(layout::diagromversion::kSize),
      picBattery_(layout::picbattery::kSize),
      worldWideNames_(layout::worldwidenames::kSize),
      asicRevisions_(layout::asicrevisions::kSize),
      storageBox_(layout::storageboxversion::kSize) {
  PutBytes(cpld_, 0, 3, Value(machine, element, "cpld", 0xFFFFFF));
  // Byte 1 is the version's high byte.
  const auto rom = static_cast<std::uint16_t>(Value(machine, element, "diagRom", 0xFFFF));
  layout::Put16(diagRom_.data(), 0, rom);

  namespace pb = layout::picbattery;
  auto byte = [&](std::string_view name) {
    return static_cast<std::uint8_t>(Value(machine, element, name, 255));
  };
  picBattery_[pb::kPicRevision] = byte("picRevision");
  picBattery_[pb::kBatteryStatus] = byte("batteryStatus");
  picBattery_[pb::kExtendedBatteryStatus] = byte("extendedBatteryStatus");
  const std::string line = element.GetAttribute("interruptLine", "high");
  if (rb::EqualsNoCase(line, "high"))
    picBattery_[pb::kInterruptLine] = pb::kLineHigh;
  else if (rb::EqualsNoCase(line, "low"))
    picBattery_[pb::kInterruptLine] = pb::kLineLow;
  else if (rb::EqualsNoCase(line, "unknown"))
    picBattery_[pb::kInterruptLine] = 0xFF;
  else
    machine.Reject("<vendorInfo> interruptLine '" + line + "' is none of high, low, unknown");
  layout::Put16(picBattery_.data(), pb::kBatteryVoltage,
                static_cast<std::uint16_t>(Value(machine, element, "batteryVoltage", 0xFFFF)));
  picBattery_[pb::kBatteryCapacity] =
      static_cast<std::uint8_t>(Value(machine, element, "batteryCapacity", 100));
  layout::Put16(picBattery_.data(), pb::kChargeTimeout,
                static_cast<std::uint16_t>(Value(machine, element, "chargeTimeout", 0xFFFF)));

  namespace wn = layout::worldwidenames;
  PutBytes(worldWideNames_, wn::kController, wn::kNameSize, Value(machine, element, "wwn", UINT64_MAX));
  PutBytes(worldWideNames_, wn::kExpander, wn::kNameSize, Value(machine, element, "expanderWwn", UINT64_MAX));
  PutBytes(worldWideNames_, wn::kExpander2, wn::kNameSize, Value(machine, element, "expanderWwn2", UINT64_MAX));

  namespace ar = layout::asicrevisions;
  asicRevisions_[ar::kControllerAsic] = byte("asic");
  asicRevisions_[ar::kSasChip1] = byte("sasChip1");
  asicRevisions_[ar::kSasChip2] = byte("sasChip2");
  asicRevisions_[ar::kPmcMuxCode] = byte("pmcMuxCode");
  asicRevisions_[ar::kPmcMuxRevision] = byte("pmcMuxRevision");
  asicRevisions_[ar::kExpanderAsic] = byte("expanderAsic");
  layout::Put16(asicRevisions_.data(), ar::kEccCount,
                static_cast<std::uint16_t>(Value(machine, element, "eccCount", 0xFFFF)));
  PutText(asicRevisions_, ar::kPcaSerial, ar::kPcaSerialSize, element.GetAttribute("pcaSerial"));
  PutText(asicRevisions_, ar::kRecoveryRomInactiveRev, ar::kRecoveryRomRevSize,
          element.GetAttribute("recoveryRomRev"));
  const std::string image = element.GetAttribute("activeImage", "A");
  if (!rb::EqualsNoCase(image, "A") && !rb::EqualsNoCase(image, "B"))
    machine.Reject("<vendorInfo> activeImage '" + image + "' is neither A nor B");
  asicRevisions_[ar::kRecoveryRomFlags] =
      static_cast<std::uint8_t>((rb::EqualsNoCase(image, "B") ? ar::kImageB : 0) |
                                (element.GetAttribute("imageGood", "1") == "1" ? ar::kImageGood : 0));
  asicRevisions_[ar::kBackplaneType] = byte("backplaneType");
  PutText(asicRevisions_, ar::kBackplaneFirmware, ar::kBackplaneFirmwareSize,
          element.GetAttribute("backplaneFirmware"));
  asicRevisions_[ar::kBootstrapNvramRev] = byte("bootstrapNvramRev");
  asicRevisions_[ar::kLinkWidth] = byte("linkWidth");
  PutBytes(asicRevisions_, ar::kControllerPhyMap, ar::kPhyMapSize, Value(machine, element, "phyMap", UINT64_MAX));
  PutBytes(asicRevisions_, ar::kExpanderPhyMap, ar::kPhyMapSize,
           Value(machine, element, "expanderPhyMap", UINT64_MAX));

  namespace sb = layout::storageboxversion;
  PutText(storageBox_, sb::kSepPsoc, sb::kPsocVersionSize, element.GetAttribute("sepPsoc"));
  PutText(storageBox_, sb::kFanPsoc, sb::kPsocVersionSize, element.GetAttribute("fanPsoc"));
  PutText(storageBox_, sb::kLedPsoc1, sb::kPsocVersionSize, element.GetAttribute("ledPsoc1"));
  PutText(storageBox_, sb::kLedPsoc2, sb::kPsocVersionSize, element.GetAttribute("ledPsoc2"));
  storageBox_[sb::kBoxCount] = byte("boxCount");
  PutText(storageBox_, sb::kChassisSerial, sb::kChassisSerialSize, element.GetAttribute("chassisSerial"));
}

std::uint8_t SimControllerInfo::Opcode(std::uint8_t subFunction) {
  switch (subFunction) {
    case layout::kVendorPicBattery:
    case layout::kVendorDiagRomVersion:
    case layout::kVendorWorldWideNames:
      return layout::kBmicReadCdb;
    default:
      return layout::kBmicWriteCdb;
  }
}

void SimControllerInfo::Answer(std::uint8_t subFunction, SimScsiCommand& command) const {
  const std::vector<std::uint8_t>* reply = &storageBox_;
  switch (subFunction) {
    case layout::kVendorCpldVersion:
      reply = &cpld_;
      break;
    case layout::kVendorPicBattery:
      reply = &picBattery_;
      break;
    case layout::kVendorDiagRomVersion:
      reply = &diagRom_;
      break;
    case layout::kVendorWorldWideNames:
      reply = &worldWideNames_;
      break;
    case layout::kVendorAsicRevisions:
      reply = &asicRevisions_;
      break;
    default:
      break;
  }
  std::fill_n(command.data, command.dataLength, 0);
  const std::size_t count = std::min(reply->size(), command.dataLength);
  std::copy_n(reply->begin(), count, command.data);
  command.transferred = command.dataLength;
}

}  // namespace os
