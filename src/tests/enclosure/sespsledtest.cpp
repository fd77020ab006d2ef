#include "tests/enclosure/sespsledtest.h"

#include "controllers/seslayouts.h"

namespace rb {

SESPSLEDTest::SESPSLEDTest()
    : ModuleLedTest("psLEDTest", "Power supply module LED test", seslayout::kTypePowerSupply,
                    "Please observe the Power supply module LEDs blink, this will be repeated 3 times",
                    {"Power supply  module 1", "Power supply  module 2", "Both Power supply modules"}) {}

}  // namespace rb
