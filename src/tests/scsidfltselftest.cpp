#include "tests/scsidfltselftest.h"

#include "devices/scsi/scsidevice.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "tests/smartstatus.h"

namespace rb {

namespace {

constexpr std::uint8_t kDefaultSelfTest = 0x04;

}  // namespace

ScsiDfltSelfTest::ScsiDfltSelfTest()
    : Test("scsidfltselftest", Translate("SCSI Default Send Diagnostic SelfTest"),
           Translate("Sends the Send-Diagnostic Default SelfTest command to a SCSI hard drive")) {}

bool ScsiDfltSelfTest::Execute(const XmlObject&) {
  auto* drive = dynamic_cast<ScsiDevice*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  SetProgress(1, 100);
  const std::uint8_t status = drive->SendDiagnostic(kDefaultSelfTest);
  const auto& sense = drive->Record().sense;
  const bool descriptorFormat = (sense[0] & 0x7F) >= 0x72;
  const std::uint8_t key = (descriptorFormat ? sense[1] : sense[2]) & 0x0F;
  if (status == kScsiGood || key != kSenseHardwareError) return true;
  DebugPrint("ScsiDfltSelfTest failed\n");
  SetError(PredictedFailure());
  return false;
}

}  // namespace rb
