#include "tests/enclosure/sesledsettings.h"

#include "controllers/seslayouts.h"

namespace rb {

namespace {

constexpr int kBlinking = 16;
constexpr int kSgpioGroup = 5;
constexpr std::uint8_t kPatternBlinking = 1;
constexpr std::uint8_t kPatternSolid = 2;

const char* Colour(int mask) {
  switch (mask) {
    case 2:
    case 8:
      return "blue";
    case 32:
      return "amber";
    default:
      return "green";
  }
}

}  // namespace

SesLedSettings SesLedSettings::FromCodes(const std::vector<int>& codes) {
  SesLedSettings settings;
  if (codes.size() >= 4) settings = {codes[0], codes[1], codes[2], codes[3]};
  return settings;
}

std::uint8_t SesLedSettings::ElementType() const {
  return group == kSgpioGroup ? seslayout::kTypeDeviceSlot : seslayout::kTypeArrayDeviceSlot;
}

SesElementRecord SesLedSettings::Control(int pattern) const {
  SesElementRecord record{seslayout::kControlSelect, 0, 0, 0};
  record[1] = pattern == kBlinking && !IsUid() ? kPatternBlinking : kPatternSolid;
  const std::string colour = Colour(mask);
  if (colour == "green") record[2] |= seslayout::kSlotActive;
  if (colour == "blue") record[2] |= seslayout::kSlotIdent;
  if (colour == "amber") record[3] |= seslayout::kSlotFault;
  return record;
}

std::string SesLedSettings::ExpectedAnswer() const {
  const int shown = second != 0 ? second : first;
  const std::string colour = Colour(mask);
  if (IsUid() || shown != kBlinking) return "Solid " + colour;
  return "Blinking " + colour;
}

const std::vector<std::string>& SesLedChoices() {
  static const std::vector<std::string> choices{"Solid green",  "Blinking green", "Solid blue",
                                                "Blinking blue", "Solid amber",   "Blinking amber",
                                                "Blue/blinking amber", "Failed"};
  return choices;
}

}  // namespace rb
