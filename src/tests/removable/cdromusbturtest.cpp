#include "tests/removable/cdromusbturtest.h"

#include "support/catalog.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

CdromUsbTurTest::CdromUsbTurTest() {
  capabilities_.interactive = true;
}

bool CdromUsbTurTest::Ready() {
  if (UnitReady()) return true;
  AskOk(*this, Translate("There is no media in the drive. Please insert media"));
  return UnitReady();
}

}  // namespace rb
