// The component's test classes, registered by name so that the device families' test lists can make
// them. Each test class joins here as it is built.
#include "framework/testfactory.h"
#include "tests/accesstest.h"
#include "tests/idefloppyaccesstest.h"
#include "tests/scsiejecttapetest.h"
#include "tests/scsiinserttapetest.h"
#include "tests/scsitapetest.h"
#include "tests/zipaccesstest.h"

namespace rb {

namespace {

template <class T>
void Register(const char* name) {
  RegisterTestMaker(name, []() -> std::unique_ptr<Test> { return std::make_unique<T>(); });
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
}

}  // namespace rb
