#include "tests/removable/floppyresettest.h"

#include "devices/ata/idefloppy.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

FloppyResetTest::FloppyResetTest()
    : FloppyTest("FloppyResetTest", "Floppy Reset test", "Perform a reset of the floppy device") {
  capabilities_.requiresMedia = false;
}

bool FloppyResetTest::Execute(const XmlObject&) {
  SetOperationCaption(Translate("Resetting the drive"));
  if (!Drive().Reset()) {
    SetError(OruError(Translate("Device could not be reset"), Drive().DevicePath()));
    return false;
  }
  Output() << Translate("The drive was reset.") << '\n';
  return true;
}

}  // namespace rb
