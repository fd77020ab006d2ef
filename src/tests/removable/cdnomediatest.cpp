#include "tests/removable/cdnomediatest.h"

#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

CdNoMediaTest::CdNoMediaTest()
    : RemovableMediaTest("cdNoMediaPresentTest", "Check For No Media Present Test",
                         "Checks for the Optical Drive to NOT be ready (no media)") {}

bool CdNoMediaTest::Execute(const XmlObject&) {
  SetOperationCaption(Translate("Checking that the drive is empty"));
  if (MediumPresent()) {
    SetError(OruError(Translate("Check for no media test fails, media is installed"), DrivePath()));
    return false;
  }
  Output() << Translate("No media is present.") << '\n';
  return true;
}

bool CdNoMediaTest::MediumPresent() {
  return UnitReady();
}

}  // namespace rb
