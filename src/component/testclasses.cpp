// The component's test classes, registered by name so that the device families' test lists can make
// them. Each test class joins here as it is built.
#include "framework/testfactory.h"

namespace rb {

void RegisterComponentTests() {}

}  // namespace rb
