#include "tests/growndefectstest.h"

#include "devices/scsi/scsidevice.h"
#include "framework/numericparameter.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

namespace {

constexpr int kMostAllowed = 10000;

}  // namespace

GrownDefectsTest::GrownDefectsTest()
    : Test("GrownDefectsTest", Translate("Grown Defects Test"),
           Translate("Verifies the number of grown defects on a SCSI disk")) {
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      kAllowedParameter, Translate("Grown Defects"),
      Translate("Number of grown defects that fails the test (0 for the default of 3)"), 0, 0, kMostAllowed));
}

bool GrownDefectsTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<ScsiDevice*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  int allowed = 0;
  for (const auto& parameter : Parameters().Parameters())
    if (const auto* number = dynamic_cast<const NumericParameter<int>*>(parameter.get());
        number != nullptr && number->Name() == kAllowedParameter)
      allowed = number->Value();
  if (allowed == 0) allowed = kDefaultAllowed;
  const std::int32_t count = drive->GrownDefectCount();
  if (count < 0) {
    SetError(OruError(Translate("SCSI command is not supported"), drive->LastStatusText()));
    return false;
  }
  Output() << StringPrintf("%s %d\n", Translate("Grown defects:").c_str(), count);
  if (count < allowed) return true;
  SetError(OruError(Translate("Drive has more grown defects than allowed."),
                    StringPrintf("%d grown defects, %d allowed", count, allowed)));
  return false;
}

}  // namespace rb
