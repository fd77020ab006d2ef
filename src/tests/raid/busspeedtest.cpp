#include "tests/raid/busspeedtest.h"

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

namespace {

namespace physical = arraylayout::identifyphysical;

// By rank, slowest first.
constexpr const char* kSpeeds[] = {"Asynch", "Fast", "Ultra", "Ultra-2", "Ultra-3", "Ultra-4"};

int RankOf(const std::string& option) {
  for (int rank = 0; rank < static_cast<int>(std::size(kSpeeds)); ++rank)
    if (option == kSpeeds[rank]) return rank;
  return 0;
}

}  // namespace

BusSpeedTest::BusSpeedTest()
    : Test("BusSpeedTest", Translate("Bus Speed Test"),
           Translate(
               "Checks that the SCSI bus speed is not lower than maximum for both the controller and the "
               "drive.")) {
  auto speed = std::make_unique<EnumerationParameter>(
      "MinSpeed", Translate("Minimum Bus Speed"),
      Translate("Minimum SPI speed at which the bus is currently operating (Ultra-2, etc.)"), "Ultra-2");
  speed->AddOption(EnumOption("Ultra-4", Translate("Ultra-320"), Translate("Ultra-320")));
  speed->AddOption(EnumOption("Ultra-3", Translate("Ultra-3 / Ultra-160"), Translate("Ultra-3 / Ultra-160")));
  speed->AddOption(EnumOption("Ultra-2", Translate("Ultra-2"), Translate("Ultra-2")));
  speed->AddOption(EnumOption("Ultra", Translate("Ultra"), Translate("Ultra")));
  speed->AddOption(EnumOption("Fast", Translate("Fast"), Translate("Fast")));
  speed->AddOption(EnumOption("Asynch", Translate("Asynchronous"), Translate("Asynchronous")));
  Parameters().Add(std::move(speed));
  auto width =
      std::make_unique<EnumerationParameter>("MinWidth", Translate("Minimum Bus Width"),
                                             Translate("Minimum width of the SCSI bus, in bits"), "8-bit");
  width->AddOption(EnumOption("16-bit", Translate("16-bit (Wide)"), Translate("16-bit (Wide)")));
  width->AddOption(EnumOption("8-bit", Translate("8-bit (Narrow)"), Translate("8-bit (Narrow)")));
  Parameters().Add(std::move(width));
}

bool BusSpeedTest::Execute(const XmlObject&) {
  auto* disk = dynamic_cast<RaidDisk*>(Owner());
  if (disk == nullptr || disk->Controller() == nullptr) {
    SetError(
        OruError(Translate("SCSI bus information is not available"), Owner() ? Owner()->Name() : Name()));
    return false;
  }
  if (disk->Controller()->IsSasController()) {
    SetError(OruError(Translate("Backplane or Controller not supported"), disk->Name()));
    return false;
  }
  // Raises "BMIC driver reported problem" when the controller cannot identify the drive.
  const std::vector<std::uint8_t> reply =
      disk->Controller()->IdentifyPhysicalDrive(disk->Bus(), disk->Target());
  if (reply.size() <= physical::kNewerRates) {
    SetError(OruError(Translate("Could not transfer SCSI data"), disk->Name()));
    return false;
  }
  const std::uint8_t older = reply[physical::kOlderRates];
  const std::uint8_t newer = reply[physical::kNewerRates];
  const bool wide = (older & physical::kOlderRatesWide) != 0;
  const std::string minWidth = Parameters().Find<EnumerationParameter>("MinWidth")->Value();
  const std::string minSpeed = Parameters().Find<EnumerationParameter>("MinSpeed")->Value();
  const std::string actual = Translate(RaidDisk::BusSpeedText(older, newer));
  Output() << Translate("Actual Bus Speed") << ": " << actual << "\n"
           << Translate("Actual Bus Width") << ": " << (wide ? "16-bit" : "8-bit") << "\n";
  if (!wide && minWidth == "16-bit") {
    SetError(OruError(Translate("SCSI bus is operating below minimum width"),
                      "8-bit" + Translate("\n Expected Width ") + minWidth));
    return false;
  }
  if (RaidDisk::BusSpeedRank(older, newer) < RankOf(minSpeed)) {
    SetError(OruError(Translate("SCSI bus is operating below minimum speed"),
                      actual + Translate("\n Expected Speed") + " " + minSpeed));
    return false;
  }
  return true;
}

}  // namespace rb
