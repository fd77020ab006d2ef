#include "tests/enclosure/chassisserialnumbertest.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "controllers/polarwindbackplane.h"
#include "framework/booleanparameter.h"
#include "framework/enumerationparameter.h"
#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

constexpr const char* kWriteAndVerify = "WriteAndVerify";
constexpr const char* kVerify = "Verify";
constexpr std::size_t kAssemblyCodeAt = 4;
constexpr std::size_t kAssemblyCodeLength = 4;
constexpr std::size_t kAssemblyCodeDigits = 12;

}  // namespace

ChassisSerialNumberTest::ChassisSerialNumberTest()
    : EnclosureTest("ChassisSerialNumberTest", "Chassis Serial Number Process",
                    "Write and Verify Chassis Serial Number") {
  capabilities_.interactive = true;
  auto options = std::make_unique<EnumerationParameter>("chassisSerNumOptions", Translate("Options"), "",
                                                        kWriteAndVerify);
  options->AddOption({kWriteAndVerify, Translate("Write and Verify"), ""});
  options->AddOption({kVerify, Translate("Verify"), ""});
  Parameters().Add(std::move(options));
  Parameters().Add(std::make_unique<BooleanParameter>("NoPrompt", Translate("No Prompt"), "", false));
  auto digits = std::make_unique<EnumerationParameter>("snDigits", Translate("Number of digits"), "", "10");
  digits->AddOption({"10", "10", ""});
  digits->AddOption({"12", "12", ""});
  Parameters().Add(std::move(digits));
  Parameters().Add(std::make_unique<BooleanParameter>(
      "VerifyAssemblyCode", Translate("Verify Assembly Code"),
      Translate("Toggles control of Serial Number Assembly Code Check - 1 to verify, 0 to ignore"), false));
  Parameters().Add(std::make_unique<StringParameter>(
      "AssemblyCode", Translate("Serial Number Assembly Code Check"),
      Translate("4 digit assembly code to find at ZZZZ in 12 digit serial number xxxxZZZZxxxx"), "ZZZZ"));
}

std::string ChassisSerialNumberTest::CheckSerial(const std::string& serial) {
  const auto digits = static_cast<std::size_t>(ToInt(TextValue(Parameters(), "snDigits", "10")));
  const bool alphanumeric = std::all_of(
      serial.begin(), serial.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
  if (serial.size() != digits || !alphanumeric) return "Invalid Serial Number";
  // The assembly code has its place only in the 12-digit form.
  if (BooleanValue(Parameters(), "VerifyAssemblyCode", false) && digits == kAssemblyCodeDigits &&
      serial.compare(kAssemblyCodeAt, kAssemblyCodeLength, TextValue(Parameters(), "AssemblyCode", "ZZZZ")) !=
          0)
    return "Proper Assembly Code not found in Serial Number";
  return "";
}

bool ChassisSerialNumberTest::Execute(const XmlObject&) {
  auto* backplane = dynamic_cast<PolarwindBackplane*>(Owner());
  if (backplane == nullptr) return Fail(kNotSupported);

  if (BooleanValue(Parameters(), "NoPrompt", false)) {
    std::vector<std::uint8_t> buffer;
    if (!backplane->ReadChassisSerialBuffer(buffer)) return Fail("Failed to verify chassis serial number");
    const std::string stored = PolarwindBackplane::ChassisSerialText(buffer);
    Output() << "Chassis serial number: " << stored << '\n';
    const std::string fault = CheckSerial(stored);
    return fault.empty() || Fail(fault, stored);
  }

  const std::string serial = Trim(
      Prompt(Translate("Please enter the chassis serial number"), {Translate("OK")}, "text", "400", "150"));
  const std::string fault = CheckSerial(serial);
  if (!fault.empty()) return Fail(fault, serial);
  if (TextValue(Parameters(), "chassisSerNumOptions", kWriteAndVerify) == kVerify) {
    if (backplane->VerifyChassisSerial(serial) == PolarwindBackplane::kMatch) return true;
    return Fail("Failed to verify chassis serial number", serial);
  }
  switch (backplane->WriteChassisSerial(serial)) {
    case PolarwindBackplane::kMatch:
      Output() << "Chassis serial number written: " << serial << '\n';
      return true;
    case PolarwindBackplane::kTransferFailed:
      return Fail("Failed to write chassis serial number", serial);
    default:
      return Fail("Failed to verify chassis serial number", serial);
  }
}

}  // namespace rb
