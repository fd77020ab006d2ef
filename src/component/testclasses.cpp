// The component's test classes, registered by name so that the device families' test lists can make
// them. Each test class joins here as it is built.
#include "framework/testfactory.h"
#include "tests/fibreloopbacktest.h"

namespace rb {

namespace {

// The loopback variants are one class, each with its mode.
template <std::size_t Variant>
void RegisterFibreLoopBack() {
  RegisterTestMaker(FibreLoopBackTest::kVariants[Variant].name, []() -> std::unique_ptr<Test> {
    return std::make_unique<FibreLoopBackTest>(FibreLoopBackTest::kVariants[Variant].mode);
  });
}

}  // namespace

void RegisterComponentTests() {
  RegisterFibreLoopBack<0>();
  RegisterFibreLoopBack<1>();
  RegisterFibreLoopBack<2>();
}

}  // namespace rb
