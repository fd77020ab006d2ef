#include "tests/sosttest.h"

#include "devices/scsi/scsidevice.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/scsiselftestdrive.h"
#include "tests/selftestrun.h"

namespace rb {

SOSTTest::SOSTTest()
    : Test("SOSTTest", Translate("Short Offline SelfTest"),
           Translate("Executes the SMART (Self-Monitoring, Analysis, and Reporting Technique) drive "
                     "self-test routine. This test runs only on IDE and SCSI drives that support off-line "
                     "data collection or self-test.")) {}

bool SOSTTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<ScsiDevice*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  ScsiSelfTestDrive selfTest(*drive, ScsiSelfTestDrive::kBackgroundShort);
  return SelfTestRun(*this, selfTest).Execute();
}

}  // namespace rb
