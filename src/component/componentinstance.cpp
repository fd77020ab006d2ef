#include "component/componentinstance.h"

#include <atomic>
#include <mutex>

#include "component/testcomponent.h"
#include "ravelbank/host.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

// The process-wide component: `held` owns it (or, for a component a test installed, only points to it);
// `current` is the same pointer for readers that do not take the lock.
struct Instance {
  std::mutex lock;
  std::shared_ptr<TestComponent> held;
  std::atomic<TestComponent*> current{nullptr};
};

Instance& Global() {
  static Instance instance;
  return instance;
}

// The component of the command running on this thread, and how deeply commands nest here.
thread_local TestComponent* commandComponent = nullptr;
thread_local int commandDepth = 0;

}  // namespace

TestComponent* ComponentInstance() {
  if (commandComponent != nullptr) return commandComponent;
  return Global().current.load();
}

std::shared_ptr<TestComponent> HoldComponent() {
  Instance& instance = Global();
  std::lock_guard guard(instance.lock);
  return instance.held;
}

std::shared_ptr<TestComponent> ExchangeComponent(std::shared_ptr<TestComponent> component) {
  Instance& instance = Global();
  std::lock_guard guard(instance.lock);
  instance.current.store(component.get());
  instance.held.swap(component);
  return component;
}

void SetComponentInstance(TestComponent* component) {
  ExchangeComponent(std::shared_ptr<TestComponent>(component, [](TestComponent*) {}));
}

CommandScope::CommandScope(std::shared_ptr<TestComponent> component)
    : component_(std::move(component)), outer_(commandComponent) {
  commandComponent = component_.get();
  ++commandDepth;
}

CommandScope::~CommandScope() {
  --commandDepth;
  commandComponent = outer_;
}

bool CommandScope::Active() {
  return commandDepth > 0;
}

void SendDiagEvent(const std::string& caption, const std::string& description) {
  TestComponent* component = ComponentInstance();
  if (component == nullptr) return;
  XmlObject event;
  event.SetName("diagEvent");
  event.SetAttribute("component", component->ComponentName());
  event.SetAttribute("caption", caption);
  event.SetAttribute("description", description);
  InvokeCallback(event.ToString());
}

std::string InvokeCallback(const std::string& text) {
  TestComponent* component = ComponentInstance();
  const EventCallback callback = component != nullptr ? component->Callback() : nullptr;
  if (callback == nullptr) throw OruError("Event callback not registered!", "");
  char* answer = callback(text.c_str());
  if (answer == nullptr) return {};
  std::string reply(answer);
  OruFree(answer);
  return reply;
}

}  // namespace rb
