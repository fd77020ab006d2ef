#include "tests/smartchecktest.h"

#include "devices/ata/idedevice.h"
#include "devices/scsi/scsidevice.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/smartstatus.h"

namespace rb {

SMARTCheckTest::SMARTCheckTest() : Test("SMARTCheckTest", "", "") {}

bool SMARTCheckTest::Execute(const XmlObject&) {
  auto* ata = dynamic_cast<IdeDevice*>(Owner());
  auto* scsi = dynamic_cast<ScsiDevice*>(Owner());
  if (ata == nullptr && scsi == nullptr) throw OruError("Device not found", Name());
  const bool supported = ata != nullptr ? ata->Identify().SmartSupported() : ScsiSmartSupported(*scsi);
  if (!supported) {
    SetError(OruError(Translate("Drive SMART Feature is not supported"), ""));
    return false;
  }
  if (const auto error = ata != nullptr ? AtaSmartStatusError(*ata) : ScsiSmartStatusError(*scsi)) {
    SetError(*error);
    return false;
  }
  return true;
}

}  // namespace rb
