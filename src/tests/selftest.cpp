#include "tests/selftest.h"

#include "devices/ata/idedevice.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/ataselftestdrive.h"
#include "tests/selftestrun.h"

namespace rb {

SelfTest::SelfTest()
    : Test("SelfTest", Translate("Hard Drive Extended Offline SelfTest"),
           Translate("For hard disk drives that support SMART technology, this test runs the drive's SMART "
                     "extended self-test.")) {}

bool SelfTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<IdeDevice*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  AtaSelfTestDrive selfTest(*drive, AtaSelfTestDrive::kExtendedOffline);
  return SelfTestRun(*this, selfTest).Execute();
}

}  // namespace rb
