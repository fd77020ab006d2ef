#include "tests/nvram/localnvramheadertest.h"

#include "controllers/cissdevice.h"
#include "controllers/nvramlayout.h"
#include "controllers/nvrampart.h"
#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

constexpr std::uint8_t kLocalNvramPart = 128;

// A 16-bit identifier written in hexadecimal, with or without "0x".
std::uint16_t Identifier(ParameterList& list, const char* name) {
  std::string text = TextValue(list, name, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = text.substr(2);
  if (text.empty() || text.size() > 4 ||
      text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    throw OruError(Translate("Invalid parameter list"),
                   StringPrintf("%s=%s", name, TextValue(list, name, "").c_str()));
  return static_cast<std::uint16_t>(std::stoul(text, nullptr, 16));
}

std::uint16_t Get16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

}  // namespace

LocalNvramHeaderTest::LocalNvramHeaderTest()
    : Test(kStreamableName, Translate("Local NVRAM Header Test"),
           Translate("Verifies Local NVRAM Header contains correct PCI Vendor and Device IDs")) {
  Parameters().Add(
      std::make_unique<StringParameter>("ExpectedPciVendorId", Translate("Expected PCI Vendor ID"),
                                        Translate("Expected PCI VENDOR ID to be in Local NVRAM"), ""));
  Parameters().Add(
      std::make_unique<StringParameter>("ExpectedPciDeviceId", Translate("Expected PCI Device ID"),
                                        Translate("Expected PCI DEVICE ID to be in Local NVRAM"), ""));
}

bool LocalNvramHeaderTest::Execute(const XmlObject&) {
  try {
    auto* controller = dynamic_cast<CissDevice*>(Owner());
    if (controller == nullptr)
      throw OruError(Translate("Backplane or Controller not supported"),
                     Owner() != nullptr ? Owner()->Name() : "");
    const std::uint16_t vendor = Identifier(Parameters(), "ExpectedPciVendorId");
    const std::uint16_t device = Identifier(Parameters(), "ExpectedPciDeviceId");
    NvramPart part(*controller, kLocalNvramPart);
    const std::vector<std::uint8_t>& header = part.Read();
    const std::uint16_t foundVendor = Get16(header, nvramlayout::kLocalVendorOffset);
    const std::uint16_t foundDevice = Get16(header, nvramlayout::kLocalDeviceOffset);
    if (foundVendor != vendor || foundDevice != device) {
      std::string detail;
      const struct {
        const char* label;
        std::uint16_t value;
      } items[] = {{"Expected PCI Vendor ID", vendor},
                   {"Found PCI Vendor ID", foundVendor},
                   {"Expected PCI Device ID", device},
                   {"Found PCI Device ID", foundDevice}};
      for (const auto& item : items)
        detail += StringPrintf("%s = 0x%04x, ", Translate(item.label).c_str(), item.value);
      throw OruError(Translate("Local NVRAM header of controller does not match vendor/device id"), detail);
    }
  } catch (const OruError& error) {
    SetError(error);
    return false;
  }
  return true;
}

}  // namespace rb
