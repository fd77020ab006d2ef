#include "tests/enclosure/ledtest.h"

#include "controllers/backplane.h"
#include "support/catalog.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

LEDTest::LEDTest() : EnclosureTest("LEDTest", "LED test", "Verifies the LEDs of the SCSI disks") {
  capabilities_.interactive = true;
}

bool LEDTest::Execute(const XmlObject&) {
  if (dynamic_cast<Backplane*>(Owner()) == nullptr) return Fail(kNotSupported);
  if (AskYesNo(*this, Translate("Are the LEDs of all the SCSI disks on the backplane lit?"))) return true;
  return Fail("LED test failed");
}

}  // namespace rb
