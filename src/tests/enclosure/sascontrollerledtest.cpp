#include "tests/enclosure/sascontrollerledtest.h"

#include "support/catalog.h"
#include "support/stringutil.h"
#include "tests/enclosure/residentdiagnostic.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

SASControllerLEDTest::SASControllerLEDTest()
    : EnclosureTest("SASControllerLEDTest", "Blink controller bracket LED",
                    "This test blinks controller bracket LEDs and verify their operation.") {
  capabilities_.interactive = true;
}

bool SASControllerLEDTest::Execute(const XmlObject&) {
  const std::uint8_t error = RunResidentDiagnostic(Controller(), kLedDiagnosticGroup, kBracketLedBlink);
  if (error != 0) return Fail("Data Mismatch", StringPrintf("Diagnostic error code %02Xh", error));
  if (AskYesNo(*this, Translate("Did both controller LED blinked?"))) return true;
  return Fail("Blink Controller LED test failed");
}

}  // namespace rb
