#include "tests/nvram/nvramchecks.h"

#include <algorithm>
#include <memory>
#include <string>

#include "controllers/nvramfile.h"
#include "controllers/nvramlayout.h"
#include "controllers/nvrampart.h"
#include "controllers/qxnvramparser.h"
#include "framework/booleanparameter.h"
#include "framework/parameterlist.h"
#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/removable/operatorquestions.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace layout = nvramlayout;

namespace {

void Mismatch(const char* message, const std::string& expected, const std::string& actual) {
  throw OruError(Translate(message),
                 StringPrintf("Expected value=%s, actual value=%s", expected.c_str(), actual.c_str()));
}

}  // namespace

void AddFieldCheckParameters(ParameterList& list) {
  list.Add(std::make_unique<BooleanParameter>(
      "verChecksum", Translate("Verify checksum"),
      Translate("Calculates the checksum of upper half of the NVRAM and verifies that it is correct"), true));
  list.Add(std::make_unique<StringParameter>("assemblyCode", Translate("Assembly Code"),
                                             Translate("Specify assembly code value for comparison"), ""));
  list.Add(std::make_unique<StringParameter>("autoRev", Translate("Auto Rev"),
                                             Translate("Specify auto rev value for comparison"), ""));
}

void AddDisplayParameter(ParameterList& list) {
  list.Add(std::make_unique<BooleanParameter>("display", Translate("Display NVRAM"),
                                              Translate("Displays NVRAM content in hex"), false));
}

void CheckNvramFields(ParameterList& list, const std::vector<std::uint8_t>& part) {
  if (BooleanValue(list, "verChecksum", true)) NvramPart::VerifyChecksum(part);
  const QXNvramParser parser(part);
  const std::string assembly = TextValue(list, "assemblyCode", "");
  if (!assembly.empty()) {
    std::uint8_t code[layout::kAssemblyLength] = {};
    if (parser.Find(layout::kText, layout::kAssemblyTag, layout::kAssemblyDelimiter, code, sizeof code) == 0)
      throw OruError(Translate("No assembly code was found"), "");
    const std::string actual = StringPrintf("%c%c%c%c", code[0], code[1], code[2], code[3]);
    if (!EqualsNoCase(actual, assembly)) Mismatch("Assembly code mismatch", assembly, actual);
  }
  const std::string autoRev = TextValue(list, "autoRev", "");
  if (!autoRev.empty()) {
    std::uint8_t rev[layout::kAutoRevLength] = {};
    if (parser.Find(layout::kBinary, layout::kAutoRevTag, 0, rev, sizeof rev) == 0)
      throw OruError(Translate("No autorev found"), "");
    const std::string actual = StringPrintf("%02X%02X%02X", rev[0], rev[1], rev[2]);
    if (!EqualsNoCase(actual, autoRev)) Mismatch("Auto rev mismatch", autoRev, actual);
  }
}

void DisplayNvram(ParameterList& list, const std::vector<std::uint8_t>& part, std::ostream& out) {
  if (BooleanValue(list, "display", false)) out << NvramHexLines(part);
}

std::string ProgramPart(Test& test, NvramPart& part, const std::vector<std::uint8_t>& content) {
  std::vector<std::uint8_t> image = part.Read();
  if (content.size() > image.size())
    throw OruError(Translate("Software error"),
                   StringPrintf("an image of %u bytes for a part of %u",
                                static_cast<unsigned>(content.size()), static_cast<unsigned>(image.size())));
  std::copy(content.begin(), content.end(), image.begin());
  NvramPart::VerifyChecksum(image);
  AskOk(test, Translate("Are you sure you want to program this part?"));
  return part.Program(image);
}

}  // namespace rb
