#pragma once

#include <memory>
#include <string>

namespace rb {

class TestComponent;

// The process-wide component, null while the component is not initialised. The exports create and
// destroy it; everything that sends events reaches the host through it.
//
// A command holds the component it runs on (CommandScope) for as long as it runs: an Uninitialize or
// Initialize from another thread replaces the process-wide component, and the old one is destroyed when
// the last command using it returns, never under it.

// The component of the command running on the calling thread; otherwise the process-wide one.
TestComponent* ComponentInstance();
// The process-wide component, shared with the caller.
std::shared_ptr<TestComponent> HoldComponent();
// Makes `component` the process-wide component and answers the one it replaces.
std::shared_ptr<TestComponent> ExchangeComponent(std::shared_ptr<TestComponent> component);
// Installs a component the caller owns and keeps alive until it installs another or null (tests).
void SetComponentInstance(TestComponent* component);

// Marks the calling thread as running a command of `component` while it lives, and keeps the
// component alive that long. Scopes nest (a host's callback may send another command).
class CommandScope {
 public:
  explicit CommandScope(std::shared_ptr<TestComponent> component);
  ~CommandScope();
  CommandScope(const CommandScope&) = delete;
  CommandScope& operator=(const CommandScope&) = delete;

  // True while a command runs on the calling thread.
  static bool Active();

 private:
  std::shared_ptr<TestComponent> component_;
  TestComponent* outer_;
};

// Sends <diagEvent component= caption= description=/> to the host; the answer is discarded. Nothing is
// sent without a component.
void SendDiagEvent(const std::string& caption, const std::string& description);
// Hands a document to the host's callback and answers its reply ("" for none); raises "Event callback
// not registered!" without a callback.
std::string InvokeCallback(const std::string& text);

}  // namespace rb
