#pragma once

#include <string>

namespace rb {

class TestComponent;

// The process-wide component, null while the component is not initialised. The exports create and
// destroy it; everything that sends events reaches the host through it.
TestComponent* ComponentInstance();
void SetComponentInstance(TestComponent* component);

// Sends <diagEvent component= caption= description=/> to the host; the answer is discarded. Nothing is
// sent without a component.
void SendDiagEvent(const std::string& caption, const std::string& description);
// Hands a document to the host's callback and answers its reply ("" for none); raises "Event callback
// not registered!" without a callback.
std::string InvokeCallback(const std::string& text);

}  // namespace rb
