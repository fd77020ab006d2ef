#include "tests/removable/floppyrmtest.h"

#include "devices/ata/idefloppy.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

FloppyRMTest::FloppyRMTest()
    : FloppyTest("floppyRemoveTest", "Removed Floppy Verification Test",
                 "Verifies that the floppy drive can detect that a diskette is not present") {
  capabilities_.interactive = true;
}

bool FloppyRMTest::Execute(const XmlObject&) {
  AskOk(*this, Translate("Remove Floppy and click [OK]"));
  const bool stillReported = Drive().MediumReady();
  AskOk(*this, Translate("Insert Floppy and click [OK]"));
  if (stillReported) {
    SetError(OruError(Translate("Disk change not detected"), Drive().DevicePath()));
    return false;
  }
  Output() << Translate("The drive detected that the diskette was removed.") << '\n';
  return true;
}

}  // namespace rb
