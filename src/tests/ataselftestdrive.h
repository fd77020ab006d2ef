#pragma once

#include <cstdint>
#include <optional>

#include "tests/selftestdrive.h"

namespace rb {

class IdeDevice;

// An ATA drive's off-line self-test through its SMART requests: started with EXECUTE OFFLINE
// IMMEDIATE and its sub-code, aborted with sub-code 127, its expected duration, result and progress in
// the SMART data.
class AtaSelfTestDrive : public SelfTestDrive {
 public:
  // Sub-codes of EXECUTE OFFLINE IMMEDIATE (LBA low).
  static constexpr std::uint8_t kShortOffline = 1;
  static constexpr std::uint8_t kExtendedOffline = 2;
  static constexpr std::uint8_t kAbortSelfTest = 127;

  AtaSelfTestDrive(IdeDevice& device, std::uint8_t subCode) : device_(device), subCode_(subCode) {}

  int LastResult() override;
  void Abort() override;
  std::uint32_t ExpectedMinutes() override;
  std::uint32_t LimitMinutes(std::uint32_t expected) const override;
  bool Start() override;
  std::optional<double> PercentDone() override;
  std::uint32_t FirstInterval() const override { return 120; }

 private:
  // The self-test execution status byte of the SMART data; nothing when the data cannot be read.
  std::optional<std::uint8_t> ExecutionStatus();

  IdeDevice& device_;
  std::uint8_t subCode_;
};

}  // namespace rb
