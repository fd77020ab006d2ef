// The component's test classes, registered by name so that the device families' test lists can make
// them. Each test class joins here as it is built.
#include "framework/testfactory.h"
#include "tests/eosttest.h"
#include "tests/growndefectstest.h"
#include "tests/idesmarterrtest.h"
#include "tests/scsidfltselftest.h"
#include "tests/scsiejecttapetest.h"
#include "tests/scsiinserttapetest.h"
#include "tests/scsitapetest.h"
#include "tests/selftest.h"
#include "tests/shortselftest.h"
#include "tests/smartchecktest.h"
#include "tests/smarterrortest.h"
#include "tests/sosttest.h"

namespace rb {

namespace {

template <class T>
void Register(const char* name) {
  RegisterTestMaker(name, []() -> std::unique_ptr<Test> { return std::make_unique<T>(); });
}

}  // namespace

void RegisterComponentTests() {
  Register<ScsiEjectTapeTest>("ScsiEjectTapeTest");
  Register<ScsiTapeTest>("ScsiTapeTest");
  Register<ScsiInsertTapeTest>("ScsiInsertTapeTest");
  Register<EOSTTest>("EOSTTest");
  Register<SOSTTest>("SOSTTest");
  Register<SelfTest>("SelfTest");
  Register<ShortSelfTest>("ShortSelfTest");
  Register<ScsiDfltSelfTest>("ScsiDfltSelfTest");
  Register<SmartErrorTest>("SmartErrorTest");
  Register<IdeSmartErrTest>("IdeSmartErrTest");
  Register<SMARTCheckTest>("SMARTCheckTest");
  Register<GrownDefectsTest>("GrownDefectsTest");
}

}  // namespace rb
