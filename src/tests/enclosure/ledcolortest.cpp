#include "tests/enclosure/ledcolortest.h"

#include "support/catalog.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

LEDColorTest::LEDColorTest(const TestConfig& config)
    : EnclosureTest(config.name, config.caption.empty() ? "Color LED Test" : config.caption,
                    "Verify that the LED colors in a drive, from left to right, are Green, Green, and Amber.",
                    config.codes) {
  capabilities_.interactive = true;
}

LEDColorTest::LEDColorTest() : LEDColorTest(TestConfig{"ColorLEDTest", "Color LED Test", {}}) {}

bool LEDColorTest::Execute(const XmlObject&) {
  if (AskYesNo(*this, Translate("Please verify that the LED colors in all drives, from left to right, are Green, "
                                "Green, and Amber. Are all LEDs colors in all drives correct?")))
    return true;
  return Fail("Color LED Test failed.  Please note the non compliant Drive and replace.");
}

}  // namespace rb
