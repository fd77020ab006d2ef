#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/prompt.h"
#include "framework/teststatus.h"
#include "support/thread.h"

namespace rb {

// A question to the operator asked on a thread of its own, so that the test goes on meanwhile (it
// blinks the LED the operator is asked about, for example). The test prepares the question on its own
// thread; the body only asks it and keeps the answer as a number (0 for a text that is not one, and
// when the question failed). It shares the test's status and owns everything else it uses, so a
// prompt still waiting for the host outlives its test safely.
class ConcurrentPrompt : public Thread {
 public:
  ConcurrentPrompt(std::shared_ptr<TestStatus> status, Prompt question, std::string message,
                   std::vector<std::string> options, std::string type, std::string width, std::string height);

  void Run() override;

  // The answer, once Done().
  std::int32_t Answer() const { return answer_.load(std::memory_order_acquire); }
  const std::string& Message() const { return message_; }

 private:
  std::shared_ptr<TestStatus> status_;
  Prompt question_;
  std::string message_;
  std::vector<std::string> options_;
  std::string type_;
  std::string width_;
  std::string height_;
  std::atomic<std::int32_t> answer_{0};
};

}  // namespace rb
