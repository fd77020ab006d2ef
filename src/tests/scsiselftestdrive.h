#pragma once

#include <cstdint>
#include <optional>

#include "tests/selftestdrive.h"

namespace rb {

class ScsiDevice;

// A SCSI disk's background self-test: started and aborted with SEND DIAGNOSTIC, its results in the
// self-test results log page, its progress in the sense data and its expected duration in the control
// mode page.
class ScsiSelfTestDrive : public SelfTestDrive {
 public:
  // SEND DIAGNOSTIC byte 1 for the background short and extended self-tests.
  static constexpr std::uint8_t kBackgroundShort = 0x20;
  static constexpr std::uint8_t kBackgroundExtended = 0x40;
  static constexpr std::uint8_t kAbortBackground = 0x80;

  ScsiSelfTestDrive(ScsiDevice& device, std::uint8_t startCode) : device_(device), startCode_(startCode) {}

  int LastResult() override;
  void Abort() override;
  std::uint32_t ExpectedMinutes() override;
  std::uint32_t LimitMinutes(std::uint32_t expected) const override;
  bool Start() override;
  std::optional<double> PercentDone() override;
  std::uint32_t FirstInterval() const override { return 60; }

 private:
  ScsiDevice& device_;
  std::uint8_t startCode_;
};

}  // namespace rb
