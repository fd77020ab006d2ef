#include "tests/scsiejecttapetest.h"

#include "devices/scsi/scsidevice.h"
#include "devices/tape/scsitape.h"
#include "devices/tape/tapeerrors.h"
#include "platform/os.h"
#include "platform/wintape.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

ScsiEjectTapeTest::ScsiEjectTapeTest()
    : Test("scsiEjectTapeTest", Translate("Tape Eject Test"), Translate("Tests tape ejector mechanism")) {
  capabilities_.interactive = true;
  capabilities_.requiresMedia = true;
}

bool ScsiEjectTapeTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<ScsiDevice*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  SetOperationCaption(Translate("Checking that a tape is loaded"));
  bool ready = drive->TestUnitReady();
  if (!ready) {
    Prompt(
        Translate("Insert a tape in the tape drive.  When the tape is properly loaded, press OK to start the "
                  "test.  The tape will be ejected."),
        {"OK"}, "button", "500", "200");
    for (int check = 0; check < kReadinessChecks && !ready; ++check) {
      if (check > 0) os::Current().Sleep(1000);
      ready = drive->TestUnitReady();
    }
  }
  if (!ready) {
    SetError(OruError(Translate("Media not present in drive"), drive->LastStatusText()));
    return false;
  }
  SetOperationCaption(Translate("Ejecting the tape"));
  auto* tape = dynamic_cast<ScsiTape*>(drive);
  const bool unloaded = tape != nullptr ? tape->UnloadTape() : drive->Unload();
  if (!unloaded) {
    SetError(OruError(TapeErrorLongText(win::ERROR_UNABLE_TO_UNLOAD_MEDIA),
                      tape != nullptr ? tape->ErrorText(tape->LastError()) : drive->LastStatusText()));
    return false;
  }
  Output() << Translate("The tape was ejected.") << '\n';
  return true;
}

}  // namespace rb
