#include "tests/scsidfltselftest.h"

#include "devices/scsi/scsidevice.h"
#include "devices/scsi/scsisense.h"
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
  if (status == kScsiGood || SenseKey(sense.data(), sense.size()) != kSenseHardwareError) return true;
  DebugPrint("ScsiDfltSelfTest failed\n");
  SetError(PredictedFailure());
  return false;
}

}  // namespace rb
