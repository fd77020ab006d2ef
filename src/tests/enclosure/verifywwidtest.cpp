#include "tests/enclosure/verifywwidtest.h"

#include "support/catalog.h"
#include "support/stringutil.h"
#include "tests/enclosure/controllersignals.h"
#include "tests/enclosure/wwidquestion.h"

namespace rb {

VerifyWWIDTest::VerifyWWIDTest()
    : EnclosureTest("VerifyWWIDTest", "WWID test",
                    "Verifies the WWID read from the device matches with the actual value specified by the user") {
  capabilities_.interactive = true;
}

bool VerifyWWIDTest::Execute(const XmlObject&) {
  CissDevice& controller = Controller();
  WorldWideName expected{};
  const std::string entered = AskExpectedWwid(*this);
  if (!ParseWorldWideName(entered, expected)) return Fail("Invalid WWID", entered);
  const WorldWideName actual = ReadWorldWideName(controller, 0);
  if (actual == expected) return true;
  return Fail("Data Mismatch", StringPrintf("Expected = %s, Actual = %s", WorldWideNameText(expected).c_str(),
                                            WorldWideNameText(actual).c_str()));
}

}  // namespace rb
