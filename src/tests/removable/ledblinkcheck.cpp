#include "tests/removable/ledblinkcheck.h"

#include <vector>

#include "framework/test.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/randomnumber.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

namespace {

// The LED stays dark this long between two busy periods, long enough to count them apart.
constexpr win::DWORD kDarkMs = 2000;

}  // namespace

std::uint32_t ChooseBlinks() {
  cRandomNumber random(static_cast<std::uint32_t>(os::Current().GetTickCount64()));
  return 1 + random.NextInRange(kMostBlinks);
}

bool LedBlinkCheck(Test& test, const LedBlinkTexts& texts, std::uint32_t blinks,
                   const std::function<bool()>& busy, const std::string& busyFailure) {
  AskOk(test, texts.watch);
  os::Platform& system = os::Current();
  for (std::uint32_t blink = 0; blink < blinks; ++blink) {
    if (test.CancelRequested()) throw OruError(Translate(kCanceled), texts.watch);
    system.Sleep(kDarkMs);
    if (!busy()) throw OruError(busyFailure, texts.watch);
    test.SetProgress(blink + 1, blinks);
  }
  system.Sleep(kDarkMs);
  const std::string none = Translate("No Blinks");
  std::vector<std::string> buttons{none};
  for (std::uint32_t count = 1; count <= kMostBlinks; ++count) buttons.push_back(std::to_string(count));
  buttons.push_back(Translate("Cancel"));
  const std::string answer = Ask(test, texts.question, buttons);
  if (answer == Translate("Cancel")) throw OruError(Translate(kCanceled), texts.question);
  test.Output() << Translate("Blinks shown") << ": " << blinks << ", " << Translate("counted") << ": "
                << answer << '\n';
  return answer == std::to_string(blinks);
}

}  // namespace rb
