#include "tests/zipaccesstest.h"

#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

ZipAccessTest::ZipAccessTest()
    : AccessTest("ZipAccessTest", "Zip Access Test", "Exercises the I/O capability of a zip disk", "", "") {
  mediaKind_ = kZipMedium;
  capabilities_.interactive = true;
  capabilities_.requiresMedia = true;
}

bool ZipAccessTest::Execute(const XmlObject& command) {
  const std::string ok = Translate("OK");
  if (Prompt(Translate("Please ensure that the zip drive contains a zip disk and press OK"),
             {ok, Translate("Cancel")}, "button", "400", "150") != ok)
    throw OruError("Unit not ready", "Media not present in drive");
  try {
    return AccessTest::Execute(command);
  } catch (const OruError& error) {
    OruError failure = error;
    failure.SetRepairAction(Translate("Zip drive cable or drive may need replacement"));
    Output() << Translate("Zip drive cable or drive may need replacement") << "\n";
    throw failure;
  }
}

}  // namespace rb
