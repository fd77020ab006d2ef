#include "tests/removable/cdromturtest.h"

#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

CdromTURTest::CdromTURTest()
    : RemovableMediaTest("testUnitReadyTest", "Test Unit Ready Test",
                         "Issues a Test Unit Ready command to the Optical Drive") {
  capabilities_.requiresMedia = true;
}

bool CdromTURTest::Execute(const XmlObject&) {
  SetOperationCaption(Translate("Test Unit Ready"));
  if (!Ready()) {
    SetError(OruError(Translate("Unit is not ready"), DrivePath()));
    return false;
  }
  Output() << Translate("The unit is ready.") << '\n';
  return true;
}

bool CdromTURTest::Ready() {
  return UnitReady();
}

}  // namespace rb
