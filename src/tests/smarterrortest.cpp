#include "tests/smarterrortest.h"

#include "devices/scsi/scsidevice.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/smartstatus.h"

namespace rb {

SmartErrorTest::SmartErrorTest()
    : Test("scsismarterrtest", Translate("SCSI SMART Status Check"),
           Translate("Checks the SMART status of hard drives")) {}

bool SmartErrorTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<ScsiDevice*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  if (const auto error = ScsiSmartStatusError(*drive)) {
    SetError(*error);
    return false;
  }
  return true;
}

}  // namespace rb
