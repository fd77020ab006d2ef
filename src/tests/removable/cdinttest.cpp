#include "tests/removable/cdinttest.h"

#include "devices/ata/idecdrom.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

CdIntTest::CdIntTest()
    : RemovableMediaTest("CdIntTest", "Optical Drive UDMA/DMA-Interrupt Test",
                         "Verifies the Optical Drive is using UDMA or DMA and not PIO") {}

bool CdIntTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<IdeCdrom*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  const AtaIdentify& identify = drive->Identify();
  const bool ultraValid = identify.Present() && (identify.Word(53) & 0x0004) != 0;
  if (!identify.Present() || (!identify.DmaSupported() && !ultraValid)) {
    SetError(OruError(Translate("Optical drive Ultra-DMA/DMA interrupt information not reported."),
                      drive->DevicePath()));
    return false;
  }
  const int ultra = ultraValid ? identify.SelectedUltraDma() : -1;
  // Word 63 bits 8-10: the multiword DMA mode selected.
  int multiword = -1;
  for (int mode = 2; mode >= 0 && identify.DmaSupported(); --mode)
    if ((identify.Word(63) & (0x0100 << mode)) != 0) {
      multiword = mode;
      break;
    }
  if (ultra >= 0) {
    Output() << StringPrintf("%s %d\n", Translate("Ultra DMA mode").c_str(), ultra);
    return true;
  }
  if (multiword >= 0) {
    Output() << StringPrintf("%s %d\n", Translate("Multiword DMA mode").c_str(), multiword);
    return true;
  }
  SetError(OruError(Translate("Optical drive Ultra-DMA/DMA interrupt test failed."),
                    Translate("The drive runs in PIO mode")));
  return false;
}

}  // namespace rb
