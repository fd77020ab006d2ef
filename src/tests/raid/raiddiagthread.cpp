#include "tests/raid/raiddiagthread.h"

#include <chrono>
#include <thread>

#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "support/debug.h"

namespace rb {

void RaidDiagThread::Run() {
  namespace record = arraylayout::diagresult;
  DebugPrint("in run\n");
  try {
    controller_.StartDiagnostic(group_, code_, argument_);
    result_.assign(arraylayout::kDiagResultSize, 0);
    DebugPrint("error code before getting result %d\n", result_[record::kErrorCode]);
    for (;;) {
      result_ = controller_.DiagnosticResult();
      if (result_[record::kRunning] == 0) {
        Answered(true);
        break;
      }
      Answered(false);
      if (StopRequested()) {
        unfinished_ = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
    }
    DebugPrint("error code after getting result %d\n", result_[record::kErrorCode]);
  } catch (const OruError& error) {
    error_ = error;
    failed_ = true;
  } catch (...) {
    DebugPrint("Unexpected Exceptions from Diagnostics Watchdog Thread,  What happened here?????\n");
  }
  Answered(true);
  DebugPrint("done\n");
}

void RaidDiagThread::Answered(bool finished) {
  const std::lock_guard lock(answerLock_);
  if (answered_) return;
  answered_ = true;
  finishedAtFirstAnswer_ = finished;
  answerSignal_.notify_all();
}

bool RaidDiagThread::WaitFirstAnswer() {
  std::unique_lock lock(answerLock_);
  answerSignal_.wait(lock, [this] { return answered_; });
  return finishedAtFirstAnswer_;
}

}  // namespace rb
