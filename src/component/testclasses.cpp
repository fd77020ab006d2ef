// The component's test classes, registered by name so that the device families' test lists can make
// them. Each test class joins here as it is built.
#include "framework/testfactory.h"
#include "tests/scsiejecttapetest.h"
#include "tests/scsiinserttapetest.h"
#include "tests/scsitapetest.h"

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
}

}  // namespace rb
