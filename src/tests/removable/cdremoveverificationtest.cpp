#include "tests/removable/cdremoveverificationtest.h"

#include "framework/booleanparameter.h"
#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/removable/operatorquestions.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

constexpr const char* kDefaultPrompt = "Remove the media from the drive and press OK";

}  // namespace

CDRemoveVerificationTest::CDRemoveVerificationTest()
    : RemovableMediaTest("cdRemoveTest", "Auto Insert Test",
                         "Verifies that the CD drive can detect that a CD is not present") {
  capabilities_.interactive = true;
  Parameters().Add(std::make_unique<StringParameter>(
      "CustomPrompt", Translate("Custom Prompt"),
      Translate("Specify message that will be displayed for prompt"), kDefaultPrompt));
  Parameters().Add(std::make_unique<BooleanParameter>(
      "RemovedElseFail", Translate("RemovedElseFail"),
      Translate("Fail the test when the drive still reports media after it was removed"), true));
}

bool CDRemoveVerificationTest::Execute(const XmlObject&) {
  std::string message = TextValue(Parameters(), "CustomPrompt", kDefaultPrompt);
  if (message.empty()) message = kDefaultPrompt;
  SetOperationCaption(Translate("Opening the tray"));
  // A drive without a tray motor refuses the eject; the operator opens it by hand.
  EjectTray();
  AskOk(*this, Translate(message));
  SetOperationCaption(Translate("Closing the tray"));
  LoadTray();
  if (UnitReady()) {
    if (BooleanValue(Parameters(), "RemovedElseFail", true)) {
      SetError(OruError(Translate("Optical media change not detected"), DrivePath()));
      return false;
    }
    Output() << Translate("The drive still reports media.") << '\n';
    return true;
  }
  Output() << Translate("The drive detected that the media was removed.") << '\n';
  return true;
}

}  // namespace rb
