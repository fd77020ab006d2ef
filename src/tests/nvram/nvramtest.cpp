#include "tests/nvram/nvramtest.h"

#include <cstring>

#include "controllers/cissdevice.h"
#include "controllers/nvramfile.h"
#include "controllers/nvramlayout.h"
#include "controllers/nvrampart.h"
#include "controllers/qxnvramparser.h"
#include "framework/booleanparameter.h"
#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/nvram/nvramchecks.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace layout = nvramlayout;

namespace {

void AddText(ParameterList& list, const char* name, const char* caption, const char* description) {
  list.Add(std::make_unique<StringParameter>(name, Translate(caption), Translate(description), ""));
}

bool IsStatusLetter(char letter) {
  return letter == 'S' || letter == 'P' || letter == 'F';
}

struct WellnessLog {
  const char* header;
  const char* parameter;
  const char* noHeader;
  const char* invalid;
  const char* writing;
};

constexpr WellnessLog kLogs[] = {
    {"FBT", "WriteFbtCode", "No FBT header was found", "Invalid FBT code", "Write FBT Code"},
    {"SYS", "WriteSysCode", "No SYS header was found", "Invalid SYS code", "Write SYS Code"},
};

// The controller's manufacturing and cache parts are described in their own words.
std::string DescriptionOf(const TestConfig& config) {
  const int code = ConfigCode(config, 0, NVRAMTest::kManufacturingPart);
  if (code == NVRAMTest::kManufacturingPart)
    return Translate("Verifies controller manufacturing NVRAM is ok");
  if (code == NVRAMTest::kCachePart) return Translate("Verifies controller cache NVRAM is ok");
  return Translate("Verifies the contents of an NVRAM part");
}

}  // namespace

NVRAMTest::NVRAMTest(const TestConfig& config)
    : PartCodeTest(config, DescriptionOf(config), kManufacturingPart) {
  ParameterList& list = Parameters();
  AddFieldCheckParameters(list);
  AddText(list, "FBTCode", "FBT Code", "Specify FBT Code value for comparison");
  AddText(list, "PICCode", "PIC Code", "Specify PIC Code value for comparison");
  AddText(list, "TestStatus", "Test Status", "Specify Test Status value for comparison");
  if (code_ == kManufacturingPart) {
    AddText(list, "WriteFbtCode", "FBT Status value",
            "FBT Status value (S/P/F) to be written to the Wellness Log");
    AddText(list, "WriteSysCode", "SYS Status value",
            "SYS Status value (S/P/F) to be written to the Wellness Log");
  }
  list.Add(std::make_unique<BooleanParameter>("VerPhySetting", Translate("Verify Phy Setting"), "", false));
  AddText(list, "VerPhySettingFn", "Phy Setting File Name", "");
  AddDisplayParameter(list);
}

NVRAMTest::NVRAMTest() : NVRAMTest(TestConfig{kStreamableName, kStreamableName, {}}) {}

bool NVRAMTest::Execute(const XmlObject&) {
  auto* controller = dynamic_cast<CissDevice*>(Owner());
  try {
    if (controller == nullptr)
      throw OruError(Translate("Backplane or Controller not supported"),
                     Owner() != nullptr ? Owner()->Name() : "");
    NvramPart part(*controller, static_cast<std::uint8_t>(code_));
    Check(part);
  } catch (const OruError& error) {
    SetError(error);
    return false;
  }
  return true;
}

void NVRAMTest::Check(NvramPart& part) {
  ParameterList& list = Parameters();
  const std::vector<std::uint8_t> bytes = part.Read();
  CheckNvramFields(list, bytes);
  CheckCodes(bytes);
  CheckWellnessLogs(part);
  CheckPhySetting(part.Buffer());
  DisplayNvram(list, part.Buffer(), Output());
}

void NVRAMTest::CheckCodes(const std::vector<std::uint8_t>& bytes) {
  const QXNvramParser parser(bytes);
  const struct {
    const char* parameter;
    std::uint8_t tag;
    const char* mismatch;
  } codes[] = {{"FBTCode", layout::kFbtCodeTag, "FBT Code mismatch"},
               {"PICCode", layout::kPicCodeTag, "PIC Code mismatch"},
               {"TestStatus", layout::kTestStatusTag, "Test Status mismatch"}};
  for (const auto& code : codes) {
    const std::string expected = TextValue(Parameters(), code.parameter, "");
    if (expected.empty()) continue;
    std::uint8_t value = 0;
    const bool found = parser.Find(layout::kBinary, code.tag, 0, &value, 1) != 0;
    const std::string actual = found ? StringPrintf("%02X", value) : "none";
    if (!found || !EqualsNoCase(actual, expected))
      throw OruError(Translate(code.mismatch),
                     StringPrintf("Expected value=%s, actual value=%s", expected.c_str(), actual.c_str()));
  }
}

void NVRAMTest::CheckWellnessLogs(NvramPart& part) {
  if (code_ != kManufacturingPart) return;
  std::string letters[2];
  bool writing = false;
  for (std::size_t i = 0; i < 2; ++i) {
    letters[i] = TextValue(Parameters(), kLogs[i].parameter, "");
    if (letters[i].empty()) continue;
    writing = true;
    if (letters[i].size() != 1 || !IsStatusLetter(letters[i][0]))
      throw OruError(Translate(kLogs[i].invalid),
                     StringPrintf("%s=%s", kLogs[i].parameter, letters[i].c_str()));
  }
  if (!writing) return;
  std::vector<std::uint8_t> image = part.Buffer();
  std::size_t length = 0;
  const std::optional<std::size_t> log =
      QXNvramParser(image).Offset(layout::kBinary, layout::kWellnessTag, layout::kWellnessDelimiter, &length);
  if (!log) throw OruError(Translate("No Wellness Log found"), "");
  for (std::size_t i = 0; i < 2; ++i) {
    std::size_t entry = *log;
    while (entry + layout::kWellnessEntry <= *log + length &&
           std::memcmp(image.data() + entry, kLogs[i].header, 3) != 0)
      entry += layout::kWellnessEntry;
    if (entry + layout::kWellnessEntry > *log + length) throw OruError(Translate(kLogs[i].noHeader), "");
    const char present = static_cast<char>(image[entry + 3]);
    if (present != ' ' && !IsStatusLetter(present))
      throw OruError(Translate(kLogs[i].invalid), StringPrintf("%s status %02X", kLogs[i].header,
                                                               static_cast<unsigned>(image[entry + 3])));
    if (letters[i].empty()) continue;
    Output() << Translate(kLogs[i].writing) << ": " << letters[i] << "\n";
    image[entry + 3] = static_cast<std::uint8_t>(letters[i][0]);
  }
  layout::SealChecksum(image.data(), image.size());
  try {
    const std::string kept = part.Program(image);
    Output() << "Previous NVRAM image kept in " << kept << "\n";
  } catch (const OruError& error) {
    throw OruError(Translate("Writing was unsuccessful"), error.Message() + ": " + error.Detail());
  }
}

void NVRAMTest::CheckPhySetting(const std::vector<std::uint8_t>& bytes) {
  if (!BooleanValue(Parameters(), "VerPhySetting", false)) return;
  const std::string path = TextValue(Parameters(), "VerPhySettingFn", "");
  const std::optional<std::vector<std::uint8_t>> expected = ReadNvramFile(path);
  if (!expected) throw OruError(Translate("Could not read the Phy Setting file"), path);
  std::size_t length = 0;
  const std::optional<std::size_t> at =
      QXNvramParser(bytes).Offset(layout::kBinary, layout::kPhySettingTag, 0, &length);
  if (!at) throw OruError(Translate("No Phy Setting was found"), "");
  const std::vector<std::uint8_t> actual(bytes.begin() + static_cast<std::ptrdiff_t>(*at),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(*at + length));
  if (actual != *expected)
    throw OruError(Translate("Phy Setting mismatch"),
                   "Expected value=" + NvramHexLines(*expected) + "actual value=" + NvramHexLines(actual));
}

}  // namespace rb
