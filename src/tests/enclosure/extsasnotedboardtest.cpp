#include "tests/enclosure/extsasnotedboardtest.h"

#include "support/stringutil.h"
#include "tests/enclosure/residentdiagnostic.h"

namespace rb {

ExtSasNoTEDBoardTest::ExtSasNoTEDBoardTest()
    : EnclosureTest("extSasNoTEDBoardTest", "Extended SAS no TED Board",
                    "Performs extended SAS test without a TED board") {}

bool ExtSasNoTEDBoardTest::Execute(const XmlObject&) {
  const std::uint8_t error = RunResidentDiagnostic(Controller(), kSasDiagnosticGroup, kExtendedSasNoTed);
  const std::string detail = StringPrintf("Diagnostic error code %02Xh", error);
  if (error == 0) return true;
  if (error == kMiscompare) return Fail("Expected data did not match actual data", detail);
  return Fail("DLD firmware encountered problem", detail);
}

}  // namespace rb
