#include "tests/smartstatus.h"

#include "devices/ata/idedevice.h"
#include "devices/scsi/scsidevice.h"
#include "platform/winstorage.h"
#include "support/catalog.h"
#include "support/debug.h"

namespace rb {

namespace {

constexpr std::uint8_t kInformationalExceptionsPage = 0x2F;
constexpr std::uint8_t kFailurePredictionThresholdExceeded = 0x5D;

}  // namespace

OruError PredictedFailure() {
  return OruError(Translate("Firmware predicts imminent drive failure"), "");
}

std::optional<OruError> AtaSmartStatusError(IdeDevice& drive) {
  const bool wasEnabled = drive.Identify().SmartEnabled();
  drive.SmartCommand(win::SMART_ENABLE_OPERATIONS, 0);
  const int status = drive.SmartReturnStatus();
  if (!wasEnabled) drive.SmartCommand(win::SMART_DISABLE_OPERATIONS, 0);
  if (status == 1) return PredictedFailure();
  if (status < 0) return OruError(Translate("Device driver will not start test."), "");
  return std::nullopt;
}

std::optional<OruError> ScsiSmartStatusError(ScsiDevice& drive) {
  std::uint8_t page[1024] = {};
  try {
    drive.LogSense(kInformationalExceptionsPage, 0, page, sizeof page);
  } catch (const OruError& error) {
    return error;  // a drive that cannot tell is not taken for healthy
  }
  if ((page[0] & 0x3F) == kInformationalExceptionsPage && page[8] == kFailurePredictionThresholdExceeded) {
    DebugPrint("Drive is notifying a SMART predictive failure condition\n");
    return PredictedFailure();
  }
  return std::nullopt;
}

bool ScsiSmartSupported(ScsiDevice& drive) {
  std::uint8_t page[256] = {};
  try {
    drive.LogSense(0x00, 0, page, sizeof page);
  } catch (const OruError&) {
    return false;
  }
  const std::size_t length = std::min<std::size_t>(page[2] << 8 | page[3], sizeof page - 4);
  for (std::size_t at = 4; at < 4 + length; ++at)
    if ((page[at] & 0x3F) == kInformationalExceptionsPage) return true;
  return false;
}

}  // namespace rb
