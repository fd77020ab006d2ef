#include "devices/scsi/scsisense.h"

#include <algorithm>
#include <array>

#include "devices/scsi/ascascqtable.h"
#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

std::string AscAscqText(std::uint8_t asc, std::uint8_t ascq) {
  const AscAscqEntry* end = kAscAscqTable + kAscAscqTableSize - 1;
  for (const AscAscqEntry* row = kAscAscqTable; row != end; ++row) {
    if (row->asc != asc) continue;
    if (row->anyAscq) return StringPrintf(row->text, ascq);
    if (row->ascq == ascq) return row->text;
  }
  return end->text;
}

namespace {

// Sense key 9 is vendor specific and has no name here.
const char* SenseKeyName(std::uint8_t key) {
  static constexpr std::array<const char*, 15> kNames = {
      "No Sense Data",   "Recovered Error", "Not Ready",    "Medium Error",    "Hardware Error",
      "Illegal Request", "Unit Attention",  "Data Protect", "Blank Check",     nullptr,
      "Copy Aborted",    "Command Aborted", "Equal",        "Volume Overflow", "Miscompare"};
  return key < kNames.size() ? kNames[key] : nullptr;
}

// The sense-key-specific field's name for the keys that have one.
const char* SenseKeySpecificName(std::uint8_t key) {
  switch (key) {
    case kSenseRecoveredError:
    case kSenseMediumError:
    case kSenseHardwareError:
      return "Retry Count";
    case kSenseNotReady:
      return "Progress";
    case kSenseIllegalRequest:
      return "Field Offset";
    default:
      return nullptr;
  }
}

void AppendBytes(std::string& text, const char* label, const std::uint8_t* bytes, std::size_t count) {
  text += label;
  for (std::size_t i = 0; i < count; ++i) text += StringPrintf("%02x ", bytes[i]);
  text += "]\n";
}

}  // namespace

std::uint8_t SenseKey(const std::uint8_t* sense, std::size_t length) {
  if (length < 3) return 0;
  const bool descriptorFormat = (sense[0] & 0x7F) >= 0x72;
  return (descriptorFormat ? sense[1] : sense[2]) & 0x0F;
}

std::string SenseText(const std::uint8_t* sense, std::size_t length) {
  std::uint8_t fixed[kSenseShownBytes] = {};
  std::copy_n(sense, std::min(length, sizeof fixed), fixed);
  const std::uint8_t key = fixed[2] & 0x0F;
  const bool sksv = (fixed[15] & 0x80) != 0;
  const unsigned specific = fixed[16] * 256u + fixed[17];

  std::string text;
  if (const char* name = SenseKeyName(key))
    text = Translate(name);
  else
    text = Translate("Unknown Sense Key") + StringPrintf(" : %02xh", key);
  const char* field = SenseKeySpecificName(key);
  if (sksv && field != nullptr)
    text += ": " + Translate(field) + StringPrintf(" = %u", specific);
  else if (key == kSenseIllegalRequest)
    text += ": " + Translate("Field Offset") + " " + Translate("Unknown");
  text += ": " + AscAscqText(fixed[12], fixed[13]) + "\n";
  return text;
}

std::string ScsiStatusText(std::uint8_t status, const std::uint8_t* cdb, std::size_t cdbLength,
                           const std::uint8_t* sense, std::size_t senseLength) {
  std::string text;
  switch (status) {
    case kScsiGood:
      text = Translate("Success");
      break;
    case kScsiCheckCondition:
      text = Translate("Check Condition") + ": " + SenseText(sense, senseLength);
      break;
    case kScsiConditionMet:
      text = Translate("Condition Met");
      break;
    case kScsiBusy:
      text = Translate("Device Busy");
      break;
    case 0x10:
      text = Translate("Intermediate");
      break;
    case 0x14:
      text = Translate("Intermediate - Condition Met");
      break;
    case kScsiReservationConflict:
      text = Translate("Reservation Conflict");
      break;
    case kScsiTaskSetFull:
      text = Translate("Task Set Full");
      break;
    case 0x30:
      text = Translate("ACA Active");
      break;
    default:
      text = Translate("Unknown SCSI Status") + StringPrintf(" : %02xh", status);
      break;
  }
  AppendBytes(text, "  SCSI CDB = [ ", cdb, std::min<std::size_t>(cdbLength, 16));
  AppendBytes(text, "  Sense Data = [ ", sense, std::min(senseLength, kSenseShownBytes));
  return text;
}

}  // namespace rb
