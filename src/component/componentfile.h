#pragma once

#include <memory>
#include <string>

namespace rb {

class TestComponent;
class iptstream;
class optstream;

// The component's persistent form: one object pointer, the component and everything it owns.
// ReadComponent raises the stream's runtime error when the bytes do not hold a component.
std::unique_ptr<TestComponent> ReadComponent(iptstream& in);
void WriteComponent(optstream& out, TestComponent& component);

// The persistent file as Initialize reads it: null when the file does not open, or when it cannot be
// read back: that file is then renamed to its name with ".unreadable" added (replacing an older one),
// and the trace says so.
std::unique_ptr<TestComponent> LoadComponentFile(const std::string& path);
// The persistent file as Uninitialize writes it; a failure is traced and the file left as it was.
void SaveComponentFile(TestComponent& component, const std::string& path);

}  // namespace rb
