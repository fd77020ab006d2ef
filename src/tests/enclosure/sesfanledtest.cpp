#include "tests/enclosure/sesfanledtest.h"

#include "controllers/seslayouts.h"

namespace rb {

SESFanLEDTest::SESFanLEDTest()
    : ModuleLedTest("fanLEDTest", "Fan module LED test", seslayout::kTypeCooling,
                    "Please observe the fan module LEDs blink, this will be repeated 3 times",
                    {"Fan module 1", "Fan module 2", "Both fan modules"}) {}

}  // namespace rb
