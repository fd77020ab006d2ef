#include "tests/enclosure/sasecccnttest.h"

#include <algorithm>

#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "tests/enclosure/controllersignals.h"
#include "tests/removable/parametervalues.h"

namespace rb {

SASEccCntTest::SASEccCntTest()
    : EnclosureTest("SASEccCntTest", "Check number of ECC counts",
                    "This test checks the maximum number of ECC counts registered by Firmware") {
  Parameters().Add(std::make_unique<StringParameter>(
      "ECC_Counts", Translate("Maximum number of ECC counts"),
      Translate("Maximum number of ECC counts registered by Firmware"), "0000"));
}

bool SASEccCntTest::Execute(const XmlObject&) {
  // A decimal count; the leading zeros of the default are only its width.
  const auto most = static_cast<std::uint32_t>(std::max(0, ToInt(TextValue(Parameters(), "ECC_Counts", "0"))));
  const std::uint32_t counted = ReadEccCount(Controller());
  Output() << "ECC counts: " << counted << '\n';
  if (counted <= most) return true;
  return Fail("Data Mismatch", StringPrintf("Maximum = %u, Actual = %u", most, counted));
}

}  // namespace rb
