#include "tests/scsitapetest.h"

#include "devices/tape/scsitape.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

ScsiTapeTest::ScsiTapeTest()
    : Test("scsiTapeTest", Translate("Tape Media Test"),
           Translate("Writes a test pattern to the tape, reads it back and compares it; erases the tape")) {
  capabilities_.interactive = true;
  capabilities_.requiresMedia = true;
  capabilities_.destructive = true;
}

bool ScsiTapeTest::Execute(const XmlObject&) {
  auto* tape = dynamic_cast<ScsiTape*>(Owner());
  if (tape == nullptr) throw OruError("Device not found", Name());
  const std::string answer = Trim(Prompt(
      Translate("This test is a destructive test.  All data on your tape will be erased.  Before test, "
                "clean the tape drive and start with a new tape.  False errors may occur with worn tapes."),
      {"OK"}, "button", "500", "200"));
  if (!EqualsNoCase(answer, "OK") && answer != Translate("OK")) {
    Output() << Translate("The operator did not confirm; the tape was not touched.") << '\n';
    Cancel();
    return false;
  }
  std::unique_ptr<ScsiTape> working = CloneCopy(*tape);
  SetOperationCaption(Translate("Rewinding the tape"));
  if (working->Rewind() == 0) {
    SetError(OruError(Translate("Unable to Rewind Tape"), working->ErrorText(working->LastError())));
    return false;
  }
  SetOperationCaption(Translate("Writing and reading back the test pattern"));
  if (!working->MediaTest([this](std::uint32_t done, std::uint32_t total) { SetProgress(done, total); })) {
    SetError(OruError(Translate("Media Test Failed"), working->MediaTestFailure()));
    return false;
  }
  SetOperationCaption(Translate("Rewinding the tape"));
  if (working->Rewind() == 0) {
    SetError(OruError(Translate("Unable to Rewind Tape"), working->ErrorText(working->LastError())));
    return false;
  }
  working->CloseTape();
  Output() << StringPrintf("%s %u %s", Translate("Wrote and read back").c_str(),
                           static_cast<unsigned>(working->Pattern().BlockCount()),
                           Translate("blocks").c_str())
           << '\n';
  return true;
}

}  // namespace rb
