#include "tests/eosttest.h"

#include "devices/scsi/scsidevice.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/scsiselftestdrive.h"
#include "tests/selftestrun.h"

namespace rb {

EOSTTest::EOSTTest()
    : Test("EOSTTest", Translate("Extended Offline SelfTest"),
           Translate("For hard disk drives that support SMART technology, this test runs the drive's SMART "
                     "extended self-test.")) {}

bool EOSTTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<ScsiDevice*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  ScsiSelfTestDrive selfTest(*drive, ScsiSelfTestDrive::kBackgroundExtended);
  return SelfTestRun(*this, selfTest).Execute();
}

}  // namespace rb
