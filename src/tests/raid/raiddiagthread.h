#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "support/oruerror.h"
#include "support/thread.h"

namespace rb {

class CissDevice;

// Runs one controller-resident diagnostic on a thread of its own: starts it, then reads its result
// record until the controller says it has finished or a stop is asked for. A controller error is kept
// for the test; nothing escapes the thread. The test stops and waits for the thread before it lets go
// of the controller, and reads the record only once the thread is done.
class RaidDiagThread : public Thread {
 public:
  // Real-time pause between two reads of a record that says the diagnostic still runs.
  static constexpr int kPollMilliseconds = 10;

  RaidDiagThread(CissDevice& controller, std::uint8_t group, std::uint16_t code, std::uint16_t argument)
      : controller_(controller), group_(group), code_(code), argument_(argument) {}

  void Run() override;

  // Waits until the controller has answered the first read of the record (or the thread has failed)
  // and tells whether the diagnostic had finished by then. The test's waiting runs in the platform's
  // seconds, which a simulated machine serves at once: without this the test could count its whole
  // timeout before the thread had sent its first command.
  bool WaitFirstAnswer();

  // Valid once Done().
  const std::vector<std::uint8_t>& Result() const { return result_; }
  bool Failed() const { return failed_; }
  const std::optional<OruError>& Error() const { return error_; }
  // The thread ended on a stop before the diagnostic finished.
  bool Unfinished() const { return unfinished_; }

 private:
  CissDevice& controller_;
  std::uint8_t group_;
  std::uint16_t code_;
  std::uint16_t argument_;
  std::vector<std::uint8_t> result_;
  bool failed_ = false;
  bool unfinished_ = false;
  std::optional<OruError> error_;
  std::mutex answerLock_;
  std::condition_variable answerSignal_;
  bool answered_ = false;
  bool finishedAtFirstAnswer_ = false;

  void Answered(bool finished);
};

}  // namespace rb
