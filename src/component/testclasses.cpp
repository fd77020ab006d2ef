// The component's test classes, registered by name so that the device families' test lists can make
// them. Each test class joins here as it is built.
#include "framework/testfactory.h"
#include "tests/accesstest.h"
#include "tests/eosttest.h"
#include "tests/fibreloopbacktest.h"
#include "tests/growndefectstest.h"
#include "tests/idefloppyaccesstest.h"
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
#include "tests/zipaccesstest.h"

namespace rb {

namespace {

template <class T>
void Register(const char* name) {
  RegisterTestMaker(name, []() -> std::unique_ptr<Test> { return std::make_unique<T>(); });
}

// The loopback variants are one class, each with its mode.
template <std::size_t Variant>
void RegisterFibreLoopBack() {
  RegisterTestMaker(FibreLoopBackTest::kVariants[Variant].name, []() -> std::unique_ptr<Test> {
    return std::make_unique<FibreLoopBackTest>(FibreLoopBackTest::kVariants[Variant].mode);
  });
}

}  // namespace

void RegisterComponentTests() {
  // The access test's instances, each fixed to one mode and order.
  RegisterTestMaker("SeqReadTest", [] { return AccessTest::MakeInstance("SeqReadTest"); });
  RegisterTestMaker("RandReadTest", [] { return AccessTest::MakeInstance("RandReadTest"); });
  RegisterTestMaker("BflyReadTest", [] { return AccessTest::MakeInstance("BflyReadTest"); });
  RegisterTestMaker("SeqRwrcTest", [] { return AccessTest::MakeInstance("SeqRwrcTest"); });
  RegisterTestMaker("RandRwrcTest", [] { return AccessTest::MakeInstance("RandRwrcTest"); });
  Register<ZipAccessTest>("ZipAccessTest");
  Register<IdeFloppyAccessTest>("IdeFloppyAccessTest");
  Register<ScsiEjectTapeTest>("ScsiEjectTapeTest");
  Register<ScsiTapeTest>("ScsiTapeTest");
  Register<ScsiInsertTapeTest>("ScsiInsertTapeTest");
  RegisterFibreLoopBack<0>();
  RegisterFibreLoopBack<1>();
  RegisterFibreLoopBack<2>();
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
