#include "tests/enclosure/moduleledtest.h"

#include "controllers/seslayouts.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/randomnumber.h"
#include "support/stringutil.h"
#include "tests/enclosure/sesaccess.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

namespace {

constexpr int kRepeats = 3;
constexpr win::DWORD kHalfBlinkMs = 1000;
constexpr std::uint8_t kRequestFail = 0x40;  // byte 3 of a cooling or power supply control record

}  // namespace

ModuleLedTest::ModuleLedTest(std::string name, std::string caption, std::uint8_t elementType, std::string watch,
                             std::vector<std::string> choices)
    : EnclosureTest(std::move(name), caption, caption),
      elementType_(elementType),
      watch_(std::move(watch)),
      choices_(std::move(choices)) {
  capabilities_.interactive = true;
}

std::size_t ModuleLedTest::Module() {
  cRandomNumber random(static_cast<std::uint32_t>(os::Current().GetTickCount64()));
  return random.NextInRange(3);
}

void ModuleLedTest::SetModules(SESDiagApi& api, std::size_t module, bool on) const {
  const std::size_t count = ElementCount(api, 0, elementType_);
  for (std::size_t number = 0; number < count; ++number) {
    if (module != kBothModules && number != module) continue;
    const SesElementRecord control{seslayout::kControlSelect, 0, 0, on ? kRequestFail : std::uint8_t{0}};
    if (!api.SetElement(0, elementType_, static_cast<std::uint8_t>(number), control))
      throw OruError(Translate("Failed to set enclosure element"),
                     StringPrintf("Element %d of type %02Xh", static_cast<int>(number), elementType_));
  }
}

bool ModuleLedTest::Execute(const XmlObject&) {
  const std::unique_ptr<SESDiagApi> api = OpenEnclosures(Controller());
  if (ElementCount(*api, 0, elementType_) < 2) throw OruError(Translate(kNotSupported), Translate(watch_));
  std::vector<std::string> choices;
  for (const std::string& choice : choices_) choices.push_back(Translate(choice));
  const std::size_t module = Module();
  AskOk(*this, Translate(watch_));
  try {
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
      SetModules(*api, module, true);
      os::Current().Sleep(kHalfBlinkMs);
      SetModules(*api, module, false);
      os::Current().Sleep(kHalfBlinkMs);
    }
  } catch (const OruError&) {
    SetModules(*api, kBothModules, false);
    throw;
  }
  const std::string answer = Ask(*this, Translate("Which module LEDs blinked?"), choices);
  if (answer == choices[module]) return true;
  return Fail("User response did not match the expected LED activity",
              "Expected = " + choices[module] + ", Actual = " + answer);
}

}  // namespace rb
