#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace rb {

// What a test reports about itself while it runs: its state, its percentage and what it is doing now.
// The test's own thread writes it, and so do its concurrent prompts from their threads; status
// documents read it. A test shares it with its concurrent prompts, so that a prompt still waiting for
// the operator never reaches into a test that has gone.
class TestStatus {
 public:
  std::string State() const;
  void SetState(std::string state);
  std::int32_t PercentComplete() const;
  void SetPercentComplete(std::int32_t percent);
  std::string OperationCaption() const;
  void SetOperationCaption(std::string caption);

  // A prompt starts waiting for the operator: the state is "waitingForPrompt" until the last waiting
  // prompt has its answer, and then "running" again (unless the run has moved on meanwhile).
  void BeginPrompt();
  void EndPrompt();

  // One prompt waiting for the operator, for the life of a scope.
  class PromptWait {
   public:
    explicit PromptWait(TestStatus& status) : status_(status) { status_.BeginPrompt(); }
    ~PromptWait() { status_.EndPrompt(); }
    PromptWait(const PromptWait&) = delete;
    PromptWait& operator=(const PromptWait&) = delete;

   private:
    TestStatus& status_;
  };

 private:
  mutable std::mutex mutex_;
  std::string state_;
  std::int32_t percentComplete_ = 0;
  std::string operationCaption_;
  int waitingPrompts_ = 0;
};

}  // namespace rb
