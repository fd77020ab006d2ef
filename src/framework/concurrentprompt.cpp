#include "framework/concurrentprompt.h"

#include <cstdlib>
#include <exception>

#include "support/debug.h"

namespace rb {

ConcurrentPrompt::ConcurrentPrompt(std::shared_ptr<TestStatus> status, Prompt question, std::string message,
                                   std::vector<std::string> options, std::string type, std::string width,
                                   std::string height)
    : status_(std::move(status)),
      question_(std::move(question)),
      message_(std::move(message)),
      options_(std::move(options)),
      type_(std::move(type)),
      width_(std::move(width)),
      height_(std::move(height)) {}

void ConcurrentPrompt::Run() {
  std::int32_t answer = 0;
  try {
    const TestStatus::PromptWait waiting(*status_);
    const std::string text = question_.Pose(message_, options_, type_, width_, height_);
    answer = static_cast<std::int32_t>(std::strtol(text.c_str(), nullptr, 10));
  } catch (const std::exception& error) {
    DebugPrint("Concurrent prompt failed: %s\n", error.what());
  }
  answer_.store(answer, std::memory_order_release);
}

}  // namespace rb
