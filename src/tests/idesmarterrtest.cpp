#include "tests/idesmarterrtest.h"

#include "devices/ata/idedevice.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/smartstatus.h"

namespace rb {

IdeSmartErrTest::IdeSmartErrTest()
    : Test("IdeSmartErrTest", Translate("IDE SMART Status Check"),
           Translate("Checks the SMART status of hard drives")) {}

bool IdeSmartErrTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<IdeDevice*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  if (const auto error = AtaSmartStatusError(*drive)) {
    SetError(*error);
    return false;
  }
  return true;
}

}  // namespace rb
