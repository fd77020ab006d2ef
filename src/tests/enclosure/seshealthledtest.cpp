#include "tests/enclosure/seshealthledtest.h"

#include "support/catalog.h"
#include "tests/enclosure/sesaccess.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

SESHealthLEDTest::SESHealthLEDTest()
    : EnclosureTest("healthLEDTest", "System health LED test", "System health LED test") {
  capabilities_.interactive = true;
}

bool SESHealthLEDTest::Execute(const XmlObject&) {
  OpenEnclosures(Controller());
  AskOk(*this, Translate("Observe the system health LEDs"));
  if (AskYesNo(*this, Translate("Did you see the system health LED on"))) return true;
  return Fail("Health LED did not turn on", Translate("Health LED test failed"));
}

}  // namespace rb
