#include "tests/removable/cdusbnomediatest.h"

#include "support/catalog.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

CdUsbNoMediaTest::CdUsbNoMediaTest() {
  capabilities_.interactive = true;
}

bool CdUsbNoMediaTest::MediumPresent() {
  if (!UnitReady()) return false;
  // A drive without a tray motor refuses the eject; the operator then opens it by hand.
  EjectTray();
  AskOk(*this, Translate("There is media in the drive. Please remove the media"));
  LoadTray();
  return UnitReady();
}

}  // namespace rb
