#include "tests/enclosure/sesbpledtest.h"

namespace rb {

SESBPLEDTest::SESBPLEDTest(const TestConfig& config)
    : SESLEDTest(config, "Check backplane LED blinks in three different colors") {}

SESBPLEDTest::SESBPLEDTest()
    : SESBPLEDTest(TestConfig{"SESBPTRIColorLEDTest", "SES backplane TriColor LED test", {15, 2, 16, 16}}) {}

}  // namespace rb
