#include "tests/nvram/enclosureidentitychecks.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "controllers/nvramlayout.h"
#include "controllers/nvrampart.h"
#include "framework/booleanparameter.h"
#include "framework/enumerationparameter.h"
#include "framework/numericparameter.h"
#include "framework/parameterlist.h"
#include "framework/stringparameter.h"
#include "framework/test.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/removable/operatorquestions.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace layout = nvramlayout;

namespace {

constexpr const char* kWriteAndVerify = "WriteAndVerify";
constexpr const char* kVerify = "Verify";
constexpr const char* kDefaultSerial = "0000000000";

std::string ExpectedActual(const std::string& expected, const std::string& actual) {
  return StringPrintf("Expected value=%s, actual value=%s", expected.c_str(), actual.c_str());
}

bool DigitsAndCapitals(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); });
}

// The characters from byte 0 up to the first NUL, at most `most`.
std::string StoredText(const std::vector<std::uint8_t>& part, std::size_t most) {
  std::string text;
  for (std::size_t i = 0; i < most && i < part.size() && part[i] != 0; ++i)
    text += static_cast<char>(part[i]);
  return text;
}

// Writes `text` from byte 0, NUL-padded to `most`, the part's other bytes kept and its checksum sealed;
// answers the text the part holds afterwards.
std::string WriteText(NvramPart& part, const std::string& text, std::size_t most) {
  std::vector<std::uint8_t> image = part.Read();
  if (image.size() < most + 1) throw OruError(Translate("Software error"), "part too small for its text");
  std::fill_n(image.begin(), most, std::uint8_t{0});
  std::copy(text.begin(), text.end(), image.begin());
  layout::SealChecksum(image.data(), image.size());
  part.Write(image);
  return StoredText(part.Read(), most);
}

// The operator's text entry; Cancel fails the run.
std::string AskEntry(Test& test, const std::string& message) {
  const std::string cancel = Translate("Cancel");
  const std::string entry = Trim(test.Prompt(message, {Translate("OK"), cancel}, "text", "400", "150"));
  if (entry == cancel) throw OruError(Translate(kCanceled), message);
  return entry;
}

void CheckSerialText(ParameterList& list, const std::string& serial) {
  const int digits = IntegerValue(list, "snDigits", 0);
  if (serial.empty() || serial.size() > layout::kSerialMost ||
      (digits > 0 && serial.size() != static_cast<std::size_t>(digits)))
    throw OruError(Translate("Invalid serial number"), serial);
  if (!DigitsAndCapitals(serial)) throw OruError(Translate("Invalid Serial Number"), serial);
  const std::string config = TextValue(list, "configCode", "");
  if (!config.empty() && serial.compare(0, config.size(), config) != 0)
    throw OruError(Translate("Proper Assembly Code not found in Serial Number"),
                   ExpectedActual(config, serial.substr(0, layout::kConfigCodeLength)));
}

}  // namespace

void AddSerialNumberParameters(ParameterList& list) {
  auto options = std::make_unique<EnumerationParameter>(
      "chassisSerNumOptions", Translate("Options"),
      Translate("Write and Verify or just Verify Chassis Serial Number"), kVerify);
  options->AddOption(
      {kWriteAndVerify, Translate("Write and Verify Serial Number"), Translate("Write and Verify")});
  options->AddOption({kVerify, Translate("Verify Serial Number"), Translate("Verify")});
  list.Add(std::move(options));
  list.Add(std::make_unique<BooleanParameter>("NoPrompt", Translate("No Prompt"),
                                              Translate("Run the test without prompting the user"), false));
  // 0 takes a number of any length up to the part's room.
  list.Add(std::make_unique<NumericParameter<int>>(
      "snDigits", Translate("Number of digits"), Translate("Specify number of digits for the serial number"),
      0, 0, static_cast<int>(layout::kSerialMost)));
  list.Add(std::make_unique<StringParameter>("configCode", Translate("Config code"),
                                             Translate("Specifies expected config code"), ""));
}

void CheckSerialNumber(Test& test, ParameterList& list, NvramPart& part) {
  // The user's own parameter is checked before the operator or the part is troubled.
  const std::string config = TextValue(list, "configCode", "");
  if (!config.empty() && (config.size() != layout::kConfigCodeLength || !DigitsAndCapitals(config)))
    throw OruError(Translate("Incorrect config code specified by user"), config);
  if (TextValue(list, "chassisSerNumOptions", kVerify) != kWriteAndVerify) {
    CheckSerialText(list, StoredText(part.Read(), layout::kSerialMost));
    return;
  }
  std::string serial = kDefaultSerial;
  if (!BooleanValue(list, "NoPrompt", false)) {
    serial = AskEntry(test, Translate("Please Enter Chassis Serial Number"));
    if (serial.empty()) serial = kDefaultSerial;
  }
  // Nothing is written unless the number is one the check would accept.
  CheckSerialText(list, serial);
  const std::string actual = WriteText(part, serial, layout::kSerialMost);
  if (actual != serial)
    throw OruError(Translate("Failed to verify chassis serial number"), ExpectedActual(serial, actual));
}

void AddExpanderPhyParameters(ParameterList& list) {
  list.Add(std::make_unique<StringParameter>(
      "expPhyAttribute", Translate("Expander PHY attributes"),
      Translate("Specify expander PHY attribute values for comparison"), ""));
}

void CheckExpanderPhys(ParameterList& list, const std::vector<std::uint8_t>& part) {
  std::string values = TextValue(list, "expPhyAttribute", "");
  std::replace(values.begin(), values.end(), ',', ' ');
  std::istringstream words(values);
  const std::size_t count = part.size() > layout::kPhyAttributes
                                ? std::min<std::size_t>(part[layout::kPhyCount], part.size() - 1)
                                : 0;
  std::size_t phy = 0;
  for (std::string word; words >> word; ++phy) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(word.c_str(), &end, 16);
    const bool number = end != word.c_str() && *end == '\0';
    if (number && value > 0xFF) throw OruError(Translate("Specified expander PHY value is too big"), word);
    const std::string expected = number ? StringPrintf("%02X", static_cast<unsigned>(value)) : word;
    const std::string actual =
        phy < count ? StringPrintf("%02X", part[layout::kPhyAttributes + phy]) : std::string("none");
    if (expected != actual)
      throw OruError(Translate("Actual expander value did not match expected value specified"),
                     StringPrintf("PHY %u: ", static_cast<unsigned>(phy)) + ExpectedActual(expected, actual));
  }
}

void AddProductIdParameters(ParameterList& list) {
  list.Add(std::make_unique<StringParameter>(
      "productCode", Translate("Verify last byte(s)"),
      Translate("Verifies that the last byte(s) of the product id match with this parameter"), ""));
}

void CheckProductId(Test& test, ParameterList& list, NvramPart& part) {
  const std::string entry = AskEntry(test, Translate("Please enter the product id"));
  const std::string code = TextValue(list, "productCode", "");
  const bool printable = std::all_of(entry.begin(), entry.end(), [](char c) { return c > ' ' && c < 0x7F; });
  if (entry.empty() || entry.size() > layout::kProductIdMost || !printable || code.size() > entry.size() ||
      !EqualsNoCase(entry.substr(entry.size() - code.size()), code))
    throw OruError(Translate("An invalid product id was entered"),
                   code.empty() ? entry : entry + ", last bytes expected " + code);
  const std::string actual = WriteText(part, entry, layout::kProductIdMost);
  if (actual != entry)
    throw OruError(Translate("Product id verification error"), ExpectedActual(entry, actual));
}

}  // namespace rb
