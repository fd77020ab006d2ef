#include "tests/scsiselftestdrive.h"

#include <algorithm>

#include "devices/scsi/scsidevice.h"
#include "support/oruerror.h"

namespace rb {

namespace {

// The self-test results log page (10h) with page control 01b, cumulative values.
constexpr std::uint8_t kResultsLogPage = 0x50;
constexpr std::uint16_t kResultsLogLength = 404;
constexpr std::uint8_t kSenseLength = 200;

}  // namespace

int ScsiSelfTestDrive::LastResult() {
  std::uint8_t page[kResultsLogLength] = {};
  try {
    device_.LogSense(kResultsLogPage, 0, page, sizeof page);
  } catch (const OruError&) {
    return kUnreadable;
  }
  // The first parameter is the most recent self-test.
  return page[8] & 0x0F;
}

void ScsiSelfTestDrive::Abort() {
  device_.SendDiagnostic(kAbortBackground);
}

std::uint32_t ScsiSelfTestDrive::ExpectedMinutes() {
  // Less than a minute is no extended self-test a drive could have.
  const std::uint32_t seconds = device_.ExtendedSelfTestSeconds();
  return seconds < 60 ? 0 : seconds / 60;
}

std::uint32_t ScsiSelfTestDrive::LimitMinutes(std::uint32_t expected) const {
  return std::max(3u, expected + expected / 2);
}

bool ScsiSelfTestDrive::Start() {
  return device_.SendDiagnostic(startCode_) == kScsiGood;
}

std::optional<double> ScsiSelfTestDrive::PercentDone() {
  std::uint8_t sense[kSenseLength] = {};
  if (device_.RequestSense(sense, sizeof sense) != kScsiGood) return std::nullopt;
  // Without a valid sense-key-specific field the drive reports no progress (its test has ended).
  if ((sense[15] & 0x80) == 0) return std::nullopt;
  return (sense[16] << 8 | sense[17]) * 100.0 / 65536;
}

}  // namespace rb
