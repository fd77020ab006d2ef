#include "tests/raid/sasverlinkspeedtest.h"

#include <vector>

#include "controllers/arraylayouts.h"
#include "controllers/bmicdevice.h"
#include "controllers/raiddisk.h"
#include "framework/enumerationparameter.h"
#include "framework/parameterlist.h"
#include "framework/testfactory.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

SasVerLinkSpeedTest::SasVerLinkSpeedTest()
    : Test("SasVerLinkSpeedTest", Translate("Verify Link Speed"),
           Translate("Verifies minimum link speed of a SAS disk drive")) {
  auto speed =
      std::make_unique<EnumerationParameter>("MinLinkSpeed", Translate("Minimum Link Speed"),
                                             Translate("Minimum negotiated link rate of the drive"), "3.0");
  speed->AddOption(EnumOption("3.0", Translate("3.0 Gbps"), Translate("3.0 Gbps")));
  speed->AddOption(EnumOption("1.5", Translate("1.5 Gbps"), Translate("1.5 Gbps")));
  Parameters().Add(std::move(speed));
}

bool SasVerLinkSpeedTest::Execute(const XmlObject&) {
  namespace physical = arraylayout::identifyphysical;
  auto* disk = dynamic_cast<RaidDisk*>(Owner());
  if (disk == nullptr || disk->Controller() == nullptr || !disk->Controller()->IsSasController()) {
    SetError(
        OruError(Translate("Backplane or Controller not supported"), Owner() ? Owner()->Name() : Name()));
    return false;
  }
  const std::vector<std::uint8_t> reply =
      disk->Controller()->IdentifyPhysicalDrive(disk->Bus(), disk->Target());
  if (reply.size() <= physical::kLinkRate) {
    SetError(OruError(Translate("Could not transfer SCSI data"), disk->Name()));
    return false;
  }
  const std::uint8_t code = reply[physical::kLinkRate];
  const std::string actual = Translate(RaidDisk::LinkRateText(code));
  Output() << Translate("Negotiated link rate") << ": " << actual << "\n";
  const bool fastNeeded = Parameters().Find<EnumerationParameter>("MinLinkSpeed")->Value() == "3.0";
  if (code >= kSlowestRateCode && (code > kSlowestRateCode || !fastNeeded)) return true;
  SetError(
      OruError(Translate("SAS link is operating below minimum speed"),
               actual + "\n " + Translate("Expected Speed") + " " + (fastNeeded ? "3.0 Gbps" : "1.5 Gbps")));
  return false;
}

}  // namespace rb
