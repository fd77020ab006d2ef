#include "tests/ataselftestdrive.h"

#include <algorithm>

#include "devices/ata/ataidentify.h"
#include "devices/ata/idedevice.h"
#include "platform/winstorage.h"

namespace rb {

namespace {

// Offsets in the SMART data.
constexpr std::size_t kExecutionStatus = 363;
constexpr std::size_t kShortPollingMinutes = 372;
constexpr std::size_t kExtendedPollingMinutes = 373;
constexpr std::size_t kExtendedPollingMinutesWide = 375;  // 16 bits, when byte 373 is FFh

}  // namespace

std::optional<std::uint8_t> AtaSelfTestDrive::ExecutionStatus() {
  std::uint8_t data[AtaIdentify::kBytes];
  if (!device_.SmartReadData(data)) return std::nullopt;
  return data[kExecutionStatus];
}

int AtaSelfTestDrive::LastResult() {
  const auto status = ExecutionStatus();
  return status ? *status >> 4 : kUnreadable;
}

void AtaSelfTestDrive::Abort() {
  device_.SmartCommand(win::SMART_EXECUTE_OFFLINE_IMMEDIATE, kAbortSelfTest);
}

std::uint32_t AtaSelfTestDrive::ExpectedMinutes() {
  std::uint8_t data[AtaIdentify::kBytes];
  if (!device_.SmartReadData(data)) return 0;
  if (subCode_ == kShortOffline) return data[kShortPollingMinutes];
  if (data[kExtendedPollingMinutes] != 0xFF) return data[kExtendedPollingMinutes];
  return static_cast<std::uint32_t>(data[kExtendedPollingMinutesWide] | data[kExtendedPollingMinutesWide + 1]
                                                                            << 8);
}

std::uint32_t AtaSelfTestDrive::LimitMinutes(std::uint32_t expected) const {
  const std::uint32_t limit = std::max(3u, expected + expected / 2);
  return limit + limit % 2;
}

bool AtaSelfTestDrive::Start() {
  return device_.SmartCommand(win::SMART_EXECUTE_OFFLINE_IMMEDIATE, subCode_) == win::ERROR_SUCCESS;
}

std::optional<double> AtaSelfTestDrive::PercentDone() {
  const auto status = ExecutionStatus();
  if (!status) return std::nullopt;
  // The low nibble counts the tenths still to do while a self-test runs; an ended one is done.
  if (*status >> 4 != kInProgress) return 100.0;
  return (10 - std::min(10, *status & 0x0F)) * 10.0;
}

}  // namespace rb
