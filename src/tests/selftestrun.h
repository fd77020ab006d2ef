#pragma once

#include <cstdint>

namespace rb {

class OruError;
class SelfTestDrive;
class Test;

// One run of a drive's own self-test on behalf of a test: it clears a self-test left running, lets the
// drive settle, starts the self-test and polls it until it ends, the time limit passes or the operator
// cancels, telling the host how long is left and how far the drive is. However the run ends, no
// self-test is left running on the drive: one cut short by the limit or by the operator is aborted.
class SelfTestRun {
 public:
  enum class Outcome {
    kRunning,
    kPassed,
    kAborted,
    kParametersUnavailable,
    kStartRefused,
    kTooLong,
    kElementFailed
  };

  SelfTestRun(Test& test, SelfTestDrive& drive) : test_(test), drive_(drive) {}

  // The whole run; true when the self-test passed or the operator canceled it, else the test's error
  // says why it failed.
  bool Execute();

  Outcome Result() const { return outcome_; }
  std::uint32_t ExpectedMinutes() const { return expected_; }
  std::uint32_t LimitMinutes() const { return limit_; }
  std::uint32_t ElapsedMinutes() const { return elapsed_; }
  int ShownPercent() const;

  // The error of a failed run.
  OruError Failure() const;

 private:
  // Sleeps `seconds` in two-second steps, stopping early when the operator cancels; the seconds slept.
  std::uint32_t SleepSeconds(std::uint32_t seconds);
  // The same; false when the operator canceled.
  bool Pause(std::uint32_t seconds);
  // Polls until the outcome is known.
  void Poll();
  void Report() const;

  Test& test_;
  SelfTestDrive& drive_;
  Outcome outcome_ = Outcome::kRunning;
  std::uint32_t expected_ = 0;
  std::uint32_t limit_ = 0;
  std::uint32_t elapsed_ = 0;
  std::int32_t minutesLeft_ = 0;
  double percent_ = 0;
  int result_ = 0;
};

}  // namespace rb
