#include "tests/removable/traytest.h"

#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

TrayTest::TrayTest()
    : RemovableMediaTest("trayTest", "Tray Test", "Checks that the optical drive's tray opens and closes") {
  capabilities_.interactive = true;
}

bool TrayTest::Execute(const XmlObject&) {
  AskOk(*this, Translate("Remove the media from the drive and press OK"));
  SetOperationCaption(Translate("Opening the tray"));
  if (!EjectTray()) {
    SetError(OruError(Translate("Tray could not be ejected"), DrivePath()));
    return false;
  }
  SetOperationCaption(Translate("Closing the tray"));
  // A tray pushed in by hand is as good as one the drive pulls in: the operator's answer decides.
  LoadTray();
  if (!AskYesNo(*this, Translate("Did the Tray open and then close"))) {
    SetError(
        OruError(Translate("Tray could not be ejected"), Translate("The operator saw no tray movement")));
    return false;
  }
  Output() << Translate("The tray opened and closed.") << '\n';
  return true;
}

}  // namespace rb
