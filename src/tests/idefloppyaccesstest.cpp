#include "tests/idefloppyaccesstest.h"

#include "devices/ata/ideremovabledrive.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

IdeFloppyAccessTest::IdeFloppyAccessTest()
    : AccessTest("IdeFloppyAccessTest", "Floppy Access Test", "Exercises the I/O capability of a diskette",
                 "", "") {
  capabilities_.interactive = true;
  capabilities_.requiresMedia = true;
}

bool IdeFloppyAccessTest::Execute(const XmlObject& command) {
  const std::string ok = Translate("OK");
  const std::vector<std::string> buttons{ok, Translate("Cancel")};
  const bool writing = ChosenMode() == kRwrc;
  const std::string insert =
      writing ? "Insert a floppy that is not write-protected and click [OK]" : "Insert Floppy and click [OK]";
  if (Prompt(Translate(insert), buttons, "button", "400", "150") != ok)
    throw OruError("Unit not ready", "Media not present in drive");
  auto* drive = dynamic_cast<IdeRemovableDrive*>(Owner());
  if (writing && drive != nullptr && drive->MediumReady() && !drive->Writable()) {
    if (Prompt(Translate("Unwrite protect the floppy and click [OK]"), buttons, "button", "400", "150") !=
            ok ||
        !drive->Writable())
      throw OruError("Media is write protected", "The diskette is write-protected");
  }
  return AccessTest::Execute(command);
}

}  // namespace rb
