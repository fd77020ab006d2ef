#include "tests/nvram/sesnvramtest.h"

#include "controllers/cissbackplane.h"
#include "controllers/cissdevice.h"
#include "controllers/nvramlayout.h"
#include "controllers/nvrampart.h"
#include "controllers/sesdiagapi.h"
#include "controllers/seslayouts.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/nvram/enclosureidentitychecks.h"
#include "tests/nvram/nvramchecks.h"

namespace rb {

namespace {

constexpr int kLastStatusCode = 2;
constexpr int kFirstPartCode = 3;
constexpr int kLastPartCode = 6;
constexpr int kLastCode = nvramlayout::kProductIdCode;
// The parts only a backplane entry offers.
constexpr int kFirstBackplanePartCode = 13;
constexpr int kLastBackplanePartCode = 20;

// What an instance checking an NVRAM part says it does, by the part's code.
struct PartDescription {
  int code;
  const char* text;
};
constexpr PartDescription kPartDescriptions[] = {
    {3, "Reads IO MFG NVRAM and performs operation specified by user"},
    {4, "Reads midplane NVRAM and performs operation specified by user"},
    {5, "Reads backplane(1) NVRAM and performs operation specified by user"},
    {6, "Reads backplane(2) NVRAM and performs operation specified by user"},
    {13, "Reads backplane(3) NVRAM and performs operation specified by user"},
    {14, "Reads backplane(4) NVRAM and performs operation specified by user"},
    {15, "Reads midplane slot (1) NVRAM and performs operation specified by user"},
    {16, "Reads midplane slot (2) NVRAM and performs operation specified by user"},
    {17, "Reads midplane storage enclosure management setting and performs operation specified by user"},
    {18, "Reads fan control module(1) NVRAM and performs operation specified by user"},
    {19, "Reads fan control module(2) NVRAM and performs operation specified by user"},
    {20, "Reads seven segment display NVRAM and performs operation specified by user"},
};

std::string DescriptionOf(const TestConfig& config) {
  const int code = ConfigCode(config, 0, kFirstPartCode);
  for (const PartDescription& part : kPartDescriptions)
    if (part.code == code) return Translate(part.text);
  return Translate("Verifies an enclosure's status or NVRAM part");
}
// By status code: power supplies, fans, temperature sensors.
constexpr std::uint8_t kStatusTypes[] = {seslayout::kTypePowerSupply, seslayout::kTypeCooling,
                                         seslayout::kTypeTemperature};

void CheckElements(CissDevice& controller, int code) {
  SESDiagApi enclosures(controller);
  if (enclosures.FindEnclosures() < 1)
    throw OruError(Translate("Backplane or Controller not supported"), controller.Name());
  std::vector<SesElementRecord> records;
  if (!enclosures.ReadElements(0, kStatusTypes[code], records))
    throw OruError(Translate("Unable to read enclosure status"), controller.Name());
  for (std::size_t i = 0; i < records.size(); ++i)
    if ((records[i][0] & seslayout::kStatusMask) != seslayout::kStatusOk)
      throw OruError(
          StringPrintf("%s, status byte %02x",
                       StringPrintf("ELEMENT %u", static_cast<unsigned>(i + 1)).c_str(), records[i][0]),
          SESDiagApi::StatusText(records[i][0]));
}

}  // namespace

SESNVRAMTest::SESNVRAMTest(const TestConfig& config)
    : PartCodeTest(config, DescriptionOf(config), kFirstPartCode) {
  // The serial number and the product identifier are entered by the operator.
  capabilities_.interactive =
      code_ == nvramlayout::kChassisSerialCode || code_ == nvramlayout::kProductIdCode;
  if (code_ == nvramlayout::kChassisSerialCode) {
    AddSerialNumberParameters(Parameters());
  } else if (code_ >= nvramlayout::kFirstExpanderPhyCode && code_ <= nvramlayout::kLastExpanderPhyCode) {
    AddExpanderPhyParameters(Parameters());
  } else if (code_ == nvramlayout::kProductIdCode) {
    AddProductIdParameters(Parameters());
  } else if (code_ >= kFirstPartCode) {
    AddFieldCheckParameters(Parameters());
    AddDisplayParameter(Parameters());
  }
}

SESNVRAMTest::SESNVRAMTest() : SESNVRAMTest(TestConfig{kStreamableName, kStreamableName, {}}) {}

std::unique_ptr<Test> SESNVRAMTest::Make(const TestConfig& config) {
  const int code = ConfigCode(config, 0, kFirstPartCode);
  const bool known = (code >= 0 && code <= kLastPartCode) || code == nvramlayout::kChassisSerialCode ||
                     (code >= nvramlayout::kFirstExpanderPhyCode && code <= kLastCode) ||
                     (code >= kFirstBackplanePartCode && code <= kLastBackplanePartCode);
  if (!known) return nullptr;
  return std::make_unique<SESNVRAMTest>(config);
}

bool SESNVRAMTest::Execute(const XmlObject&) {
  try {
    CissDevice* controller = EnclosureController(Owner());
    if (controller == nullptr)
      throw OruError(Translate("Backplane or Controller not supported"),
                     Owner() != nullptr ? Owner()->Name() : "");
    if (code_ <= kLastStatusCode) {
      CheckElements(*controller, code_);
    } else if (code_ == nvramlayout::kChassisSerialCode) {
      NvramPart part(*controller, static_cast<std::uint8_t>(code_));
      CheckSerialNumber(*this, Parameters(), part);
    } else if (code_ >= nvramlayout::kFirstExpanderPhyCode && code_ <= nvramlayout::kLastExpanderPhyCode) {
      NvramPart part(*controller, static_cast<std::uint8_t>(code_));
      CheckExpanderPhys(Parameters(), part.Read());
    } else if (code_ == nvramlayout::kProductIdCode) {
      NvramPart part(*controller, static_cast<std::uint8_t>(code_));
      CheckProductId(*this, Parameters(), part);
    } else {
      NvramPart part(*controller, static_cast<std::uint8_t>(code_));
      const std::vector<std::uint8_t>& bytes = part.Read();
      CheckNvramFields(Parameters(), bytes);
      DisplayNvram(Parameters(), bytes, Output());
    }
  } catch (const OruError& error) {
    SetError(error);
    return false;
  }
  return true;
}

}  // namespace rb
