#include "tests/shortselftest.h"

#include "devices/ata/idedevice.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/ataselftestdrive.h"
#include "tests/selftestrun.h"

namespace rb {

ShortSelfTest::ShortSelfTest()
    : Test("ShortSelfTest", Translate("Hard Drive Short Offline SelfTest"),
           Translate("Executes the SMART (Self-Monitoring, Analysis, and Reporting Technique) drive "
                     "self-test routine. This test runs only on IDE and SCSI drives that support off-line "
                     "data collection or self-test.")) {}

bool ShortSelfTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<IdeDevice*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  AtaSelfTestDrive selfTest(*drive, AtaSelfTestDrive::kShortOffline);
  return SelfTestRun(*this, selfTest).Execute();
}

}  // namespace rb
