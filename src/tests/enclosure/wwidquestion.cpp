#include "tests/enclosure/wwidquestion.h"

#include "framework/test.h"
#include "support/catalog.h"

namespace rb {

std::string AskExpectedWwid(Test& test) {
  return test.Prompt(Translate("Please enter expected WWID"), {Translate("OK")}, "text", "400", "150");
}

}  // namespace rb
