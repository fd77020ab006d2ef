#include "framework/teststatus.h"

namespace rb {
namespace {
constexpr const char* kWaiting = "waitingForPrompt";
}

std::string TestStatus::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

void TestStatus::SetState(std::string state) {
  std::lock_guard<std::mutex> lock(mutex_);
  state_ = std::move(state);
}

std::int32_t TestStatus::PercentComplete() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return percentComplete_;
}

void TestStatus::SetPercentComplete(std::int32_t percent) {
  std::lock_guard<std::mutex> lock(mutex_);
  percentComplete_ = percent;
}

std::string TestStatus::OperationCaption() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return operationCaption_;
}

void TestStatus::SetOperationCaption(std::string caption) {
  std::lock_guard<std::mutex> lock(mutex_);
  operationCaption_ = std::move(caption);
}

void TestStatus::BeginPrompt() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++waitingPrompts_;
  state_ = kWaiting;
}

void TestStatus::EndPrompt() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (waitingPrompts_ > 0) --waitingPrompts_;
  if (waitingPrompts_ == 0 && state_ == kWaiting) state_ = "running";
}

}  // namespace rb
