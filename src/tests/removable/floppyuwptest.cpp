#include "tests/removable/floppyuwptest.h"

#include "devices/ata/idefloppy.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

FloppyUWPTest::FloppyUWPTest(bool writeProtect)
    : FloppyTest("floppyUWriteProtectTest", writeProtect ? "Write Protect Test" : "Floppy Write Enable Test",
                 writeProtect ? "Verifies the drive's ability to detect a write-protected disk"
                              : "Verifies the drive's ability to detect a un-write-protected disk"),
      writeProtect_(writeProtect) {
  capabilities_.interactive = true;
}

bool FloppyUWPTest::Execute(const XmlObject&) {
  AskOk(*this, Translate(writeProtect_ ? "Write protect the floppy and click [OK]"
                                       : "Unwrite protect the floppy and click [OK]"));
  IdeFloppy& drive = Drive();
  // The writability request needs the drive to itself: another holder makes it unopenable.
  const win::HANDLE probe =
      os::Current().CreateFile(drive.DevicePath(), win::GENERIC_READ, win::FILE_SHARE_WRITE,
                               win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  if (probe == win::INVALID_HANDLE_VALUE) {
    SetError(OruError(Translate("Device in use"), drive.DevicePath()));
    return false;
  }
  os::Current().CloseHandle(probe);
  RequireMedium();
  if (drive.Writable() == writeProtect_) {
    SetError(OruError(
        Translate(writeProtect_ ? "Write protect media not found" : "Unwrite protected media not found"),
        drive.DevicePath()));
    return false;
  }
  Output() << Translate(writeProtect_ ? "The diskette is write-protected." : "The diskette is writable.")
           << '\n';
  return true;
}

}  // namespace rb
