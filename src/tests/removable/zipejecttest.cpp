#include "tests/removable/zipejecttest.h"

#include "devices/ata/idezipdrive.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

ZipEjectTest::ZipEjectTest()
    : Test("ZipEjectTest", Translate("Zip Media Eject Test"),
           Translate(
               "Issues a eject command to the device driver. The device driver ejects the media disk.")) {
  capabilities_.interactive = true;
  capabilities_.requiresMedia = true;
}

bool ZipEjectTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<IdeZipDrive*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  AskOk(*this, Translate("Please ensure that the zip drive contains a zip disk and press OK"));
  if (!drive->MediumReady()) {
    SetError(OruError(Translate("Unit not ready"), Translate("Media not present in drive")));
    return false;
  }
  SetOperationCaption(Translate("Ejecting the zip disk"));
  const bool ejected = drive->Eject();
  if (!ejected || !AskYesNo(*this, Translate("Did the Zip disk eject?"))) {
    SetError(OruError(Translate("Zip disk could not be ejected"), drive->DevicePath()));
    return false;
  }
  Output() << Translate("The zip disk was ejected.") << '\n';
  return true;
}

}  // namespace rb
