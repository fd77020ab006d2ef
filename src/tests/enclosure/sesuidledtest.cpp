#include "tests/enclosure/sesuidledtest.h"

#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/enclosure/sesaccess.h"
#include "tests/enclosure/sesledsettings.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

SESUIDLEDTest::SESUIDLEDTest() : EnclosureTest("uidLEDTest", "UID LED test", "UID LED test") {
  capabilities_.interactive = true;
}

bool SESUIDLEDTest::Execute(const XmlObject&) {
  const SesLedSettings uid{15, 8, 0, 0};
  const std::unique_ptr<SESDiagApi> api = OpenEnclosures(Controller());
  AskOk(*this, Translate("Observe the UID LEDs"));
  bool on = false;
  bool off = false;
  try {
    SetAllElements(*api, uid.ElementType(), uid.Control(0));
    on = AskYesNo(*this, Translate("Do you see the UID LEDs on"));
    off = on && AskYesNo(*this, Translate("Press the UID button and see if the LED goes off"));
  } catch (const OruError&) {
    SetAllElements(*api, uid.ElementType(), {});
    throw;
  }
  SetAllElements(*api, uid.ElementType(), {});
  if (!on) return Fail("UID LED did not turn on", Translate("UID test failed"));
  if (!off) return Fail("UID LED did not turn off when the button was pressed");
  return true;
}

}  // namespace rb
