#include "tests/removable/operatorquestions.h"

#include "framework/test.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

std::string Ask(Test& test, const std::string& message, const std::vector<std::string>& buttons) {
  return test.Prompt(message, buttons, "button", "400", "150");
}

void AskOk(Test& test, const std::string& message) {
  const std::string ok = Translate("OK");
  if (Ask(test, message, {ok, Translate("Cancel")}) != ok) throw OruError(Translate(kCanceled), message);
}

bool AskYesNo(Test& test, const std::string& message) {
  const std::string yes = Translate("Yes");
  const std::string no = Translate("No");
  const std::string answer = Ask(test, message, {yes, no, Translate("Cancel")});
  if (answer == yes) return true;
  if (answer == no) return false;
  throw OruError(Translate(kCanceled), message);
}

}  // namespace rb
