#include "tests/nvram/flashpart.h"

#include "controllers/cissdevice.h"
#include "controllers/nvramfile.h"
#include "controllers/nvrampart.h"
#include "framework/numericparameter.h"
#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/nvram/nvramchecks.h"
#include "tests/removable/parametervalues.h"

namespace rb {

FlashPart::FlashPart()
    : Test("flashPart", Translate("Flash a part"),
           Translate("Programs a nvram with the content specified in a file")) {
  capabilities_.interactive = true;
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "partCode", Translate("Part code"), Translate("The NVRAM part to program"), 129, 0, 255));
  Parameters().Add(std::make_unique<StringParameter>(
      "fileName", Translate("File name"), Translate("The flash file holding the part's image"), ""));
}

bool FlashPart::Execute(const XmlObject&) {
  try {
    auto* controller = dynamic_cast<CissDevice*>(Owner());
    if (controller == nullptr)
      throw OruError(Translate("Backplane or Controller not supported"),
                     Owner() != nullptr ? Owner()->Name() : "");
    const std::string path = TextValue(Parameters(), "fileName", "");
    const std::optional<std::vector<std::uint8_t>> file = ReadNvramFile(path);
    if (!file) throw OruError(Translate("Could not read the flash file"), path);
    NvramPart part(*controller, static_cast<std::uint8_t>(IntegerValue(Parameters(), "partCode", 129)));
    Output() << "Previous NVRAM image kept in " << ProgramPart(*this, part, *file) << "\n";
    WriteNvramFile(kDumpFile, part.Buffer(), true);
  } catch (const OruError& error) {
    SetError(error);
    return false;
  }
  return true;
}

}  // namespace rb
