#include "tests/enclosure/sasjbodpsoctest.h"

#include <array>

#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "tests/enclosure/controllersignals.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

struct Psoc {
  const char* parameter;
  const char* caption;
  const char* mismatch;
  const char* detail;
};

// In the order of the version information.
constexpr std::array<Psoc, 4> kPsocs = {{
    {"SEPPSoCVersion", "SEP PSoC version", "SEP PSoC version mismatch", "SEP PSoC version: Expected = %s, Actual = %s"},
    {"FanPSoCVersion", "Fan PSoC version", "Fan PSoC version mismatch", "Fan PSoC version: Expected = %s, Actual = %s"},
    {"LEDPSoC1Version", "LED PSoC(1) version", "LED PSoC(1) version mismatch",
     "LED PSoC(1) version: Expected = %s, Actual = %s"},
    {"LEDPSoC2Version", "LED PSoC(2) version", "LED PSoC(2) version mismatch",
     "LED PSoC(2) version: Expected = %s, Actual = %s"},
}};

}  // namespace

SASJBODPSoCTest::SASJBODPSoCTest()
    : EnclosureTest("SASJBODPSoCTest", "PSoC Versions Test", "This test verifies PSoC versions") {
  // The expected versions change with each storage box release, so the run names them.
  for (const Psoc& psoc : kPsocs)
    Parameters().Add(std::make_unique<StringParameter>(
        psoc.parameter, Translate(psoc.caption), Translate("Expected version as the storage box reports it; empty to skip"), ""));
}

bool SASJBODPSoCTest::Execute(const XmlObject&) {
  CissDevice& controller = Controller();
  for (std::size_t i = 0; i < kPsocs.size(); ++i) {
    const std::string actual = ReadPsocVersion(controller, i);
    const std::string expected = Trim(TextValue(Parameters(), kPsocs[i].parameter, ""));
    Output() << kPsocs[i].caption << ": " << actual << '\n';
    if (!expected.empty() && expected != actual)
      return Fail(kPsocs[i].mismatch, StringPrintf(kPsocs[i].detail, expected.c_str(), actual.c_str()));
  }
  return true;
}

}  // namespace rb
