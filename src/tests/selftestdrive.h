#pragma once

#include <cstdint>
#include <optional>

namespace rb {

// What a drive's self-test looks like to the run that drives it, whatever the command set: the result
// of its most recent self-test, its expected duration, starting and aborting one, and how far the
// running one is.
class SelfTestDrive {
 public:
  // Result codes shared by the SCSI results log and the ATA execution status.
  static constexpr int kPassed = 0;
  static constexpr int kInProgress = 15;
  // The result could not be read.
  static constexpr int kUnreadable = -1;

  virtual ~SelfTestDrive() = default;

  // The result code of the most recent self-test (kInProgress while one runs), or kUnreadable.
  virtual int LastResult() = 0;
  // Ends the self-test that runs on the drive, if any.
  virtual void Abort() = 0;
  // The drive's expected duration of its self-test in minutes; 0 when it gives no usable one.
  virtual std::uint32_t ExpectedMinutes() = 0;
  // How long the run waits for a self-test expected to take `expected` minutes.
  virtual std::uint32_t LimitMinutes(std::uint32_t expected) const = 0;
  // Starts the self-test; false when the drive refuses it.
  virtual bool Start() = 0;
  // How much of the running self-test is done, in percent; nothing when the drive tells none.
  virtual std::optional<double> PercentDone() = 0;
  // The first polling interval in seconds.
  virtual std::uint32_t FirstInterval() const = 0;
};

}  // namespace rb
