#include "tests/enclosure/sesledtest.h"

#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/enclosure/sesaccess.h"
#include "tests/enclosure/sesledsettings.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

SESLEDTest::SESLEDTest(const TestConfig& config, std::string description)
    : EnclosureTest(config.name, config.caption, std::move(description), config.codes) {
  capabilities_.interactive = true;
}

SESLEDTest::SESLEDTest() : SESLEDTest(TestConfig{"SESBPLEDTest", "SES backplane Led test", {15, 1, 16, 16}}) {}

bool SESLEDTest::Execute(const XmlObject&) {
  const SesLedSettings settings = SesLedSettings::FromCodes(Codes());
  const std::unique_ptr<SESDiagApi> api = OpenEnclosures(Controller());
  if (settings.IsUid()) AskOk(*this, Translate("Watch the UID button LEDs carefully, Click OK when ready"));
  std::string answer;
  try {
    SetAllElements(*api, settings.ElementType(), settings.Control(settings.first));
    if (settings.second != 0) SetAllElements(*api, settings.ElementType(), settings.Control(settings.second));
    std::vector<std::string> choices;
    for (const std::string& choice : SesLedChoices()) choices.push_back(Translate(choice));
    answer = Ask(*this, Translate("Select the state and color of the LED(s) on the hard drive backplane"), choices);
  } catch (const OruError&) {
    SetAllElements(*api, settings.ElementType(), {});
    throw;
  }
  SetAllElements(*api, settings.ElementType(), {});
  const std::string expected = Translate(settings.ExpectedAnswer());
  Output() << "Expected: " << expected << ", answered: " << answer << '\n';
  if (answer == expected) return true;
  return Fail("User response did not match the expected LED activity",
              "Expected = " + expected + ", Actual = " + answer);
}

}  // namespace rb
