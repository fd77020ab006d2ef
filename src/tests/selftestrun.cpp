#include "tests/selftestrun.h"

#include "framework/test.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/selftestdrive.h"

namespace rb {

namespace {

constexpr std::uint32_t kStepSeconds = 2;
constexpr std::uint32_t kAbortSettleSeconds = 8;
constexpr std::uint32_t kSettleSeconds = 16;
constexpr std::uint32_t kStartSettleSeconds = 2;

bool IsFailedElement(int result) {
  return result >= 3 && result <= 7;
}

}  // namespace

std::uint32_t SelfTestRun::SleepSeconds(std::uint32_t seconds) {
  std::uint32_t slept = 0;
  while (slept < seconds && !test_.CancelRequested()) {
    const std::uint32_t step = std::min(kStepSeconds, seconds - slept);
    os::Current().Sleep(step * 1000);
    slept += step;
  }
  return slept;
}

bool SelfTestRun::Pause(std::uint32_t seconds) {
  SleepSeconds(seconds);
  return !test_.CancelRequested();
}

int SelfTestRun::ShownPercent() const {
  // A drive a hair short of done shows as done, not as 99.
  return percent_ >= 99.5 ? 100 : static_cast<int>(percent_);
}

bool SelfTestRun::Execute() {
  test_.SetProgress(1, 100);
  if (drive_.LastResult() == SelfTestDrive::kInProgress) {
    // A self-test someone else started would refuse ours.
    test_.SetProgress(33, 100);
    drive_.Abort();
    os::Current().Sleep(kAbortSettleSeconds * 1000);
  }
  const bool settled = Pause(kSettleSeconds);
  test_.SetProgress(2, 100);
  if (!settled || !Pause(kStartSettleSeconds)) {
    outcome_ = Outcome::kAborted;
    return true;
  }
  expected_ = drive_.ExpectedMinutes();
  if (expected_ == 0) {
    outcome_ = Outcome::kParametersUnavailable;
    test_.SetError(Failure());
    return false;
  }
  limit_ = drive_.LimitMinutes(expected_);
  minutesLeft_ = static_cast<std::int32_t>(limit_);
  if (!drive_.Start()) {
    outcome_ = Outcome::kStartRefused;
    test_.SetError(Failure());
    return false;
  }
  test_.SetProgress(3, 100);
  try {
    Poll();
  } catch (...) {
    drive_.Abort();
    throw;
  }
  if (outcome_ == Outcome::kTooLong || test_.CancelRequested()) drive_.Abort();
  Report();
  if (outcome_ == Outcome::kPassed || (outcome_ == Outcome::kAborted && test_.CancelRequested())) return true;
  test_.SetError(Failure());
  return false;
}

void SelfTestRun::Poll() {
  std::uint32_t interval = drive_.FirstInterval();
  std::uint32_t seconds = 0;
  while (outcome_ == Outcome::kRunning) {
    seconds += SleepSeconds(interval);
    const bool canceled = test_.CancelRequested();
    if (const auto done = drive_.PercentDone()) percent_ = *done;
    // A longer interval counts every minute it spans.
    for (; seconds >= 60; seconds -= 60) {
      ++elapsed_;
      --minutesLeft_;
      if (percent_ >= 90)
        interval = 10;
      else if (percent_ >= 70)
        interval = 30;
    }
    test_.SetOperationCaption(StringPrintf("%s %d %s", Translate("Will timeout in").c_str(), minutesLeft_,
                                           Translate("minutes").c_str()));
    test_.SetProgress(static_cast<std::uint32_t>(ShownPercent()), 100);
    if (elapsed_ >= limit_) {
      outcome_ = Outcome::kTooLong;
    } else if (canceled) {
      outcome_ = Outcome::kAborted;
    } else {
      result_ = drive_.LastResult();
      if (result_ == SelfTestDrive::kPassed)
        outcome_ = Outcome::kPassed;
      else if (result_ == 1 || result_ == 2)
        outcome_ = Outcome::kAborted;
      else if (IsFailedElement(result_))
        outcome_ = Outcome::kElementFailed;
      else if (result_ < 8 || result_ > SelfTestDrive::kInProgress)
        outcome_ = Outcome::kAborted;  // unreadable: nothing more to wait for
    }
  }
}

void SelfTestRun::Report() const {
  const unsigned used = expected_ == 0 ? 0 : elapsed_ * 100 / expected_;
  const bool canceled = outcome_ == Outcome::kAborted && test_.CancelRequested();
  const std::string line =
      StringPrintf("%s %u%s\n", Translate(canceled ? "Test was aborted at" : "Test completed in").c_str(),
                   used, Translate("% of the expected time").c_str());
  test_.Output() << line;
  DebugPrint("%s", line.c_str());
}

OruError SelfTestRun::Failure() const {
  switch (outcome_) {
    case Outcome::kParametersUnavailable:
      return OruError(Translate("Problem getting selftest parameters from hdd."), "");
    case Outcome::kStartRefused:
      return OruError(Translate("Device driver will not start test."), "");
    case Outcome::kTooLong:
      return OruError(Translate("Selftest was aborted for taking too long to complete."),
                      StringPrintf("<br>Test time reported = %u<br>Abort time = %u<br>Percent Done = %d",
                                   expected_, limit_, ShownPercent()));
    case Outcome::kElementFailed:
      switch (result_) {
        case 3:
          return OruError(
              Translate("A fatal error or unknown test error occurred while the hdd was executing the "
                        "selftest routine and the hdd is unable to complete the selftest routine."),
              "");
        case 4:
          return OruError(Translate("The selftest completed having a test element that failed and the test "
                                    "element that failed is not known."),
                          "");
        case 5:
          return OruError(
              Translate("The selftest completed having the electrical element of the test failed."), "");
        case 6:
          return OruError(
              Translate(
                  "The selftest completed having the servo (and/or seek) test element of the test failed."),
              "");
        case 7:
          return OruError(Translate("The selftest completed having the read element of the test failed."),
                          "");
        default:
          return OruError(
              Translate("Undecoded selftest message (execution status value is not 3,4,5,6,or 7)."), "");
      }
    default:
      return OruError(Translate("Selftest did not complete for unknown reason."),
                      StringPrintf("Results Value = %d", result_));
  }
}

}  // namespace rb
