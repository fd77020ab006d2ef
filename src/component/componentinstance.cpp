#include "component/componentinstance.h"

#include <atomic>

#include "component/testcomponent.h"
#include "ravelbank/host.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {
namespace {
std::atomic<TestComponent*> instance{nullptr};
}

TestComponent* ComponentInstance() { return instance.load(); }
void SetComponentInstance(TestComponent* component) { instance.store(component); }

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
