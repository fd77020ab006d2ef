#include "component/componentfile.h"

#include <stdexcept>

#include "component/testcomponent.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "support/debug.h"

namespace rb {

std::unique_ptr<TestComponent> ReadComponent(iptstream& in) {
  std::unique_ptr<TestComponent> component = in.ReadObject<TestComponent>();
  if (!component) throw std::runtime_error("Persistent stream holds no component");
  return component;
}

void WriteComponent(optstream& out, TestComponent& component) {
  out.WritePointer(&component);
}

std::unique_ptr<TestComponent> LoadComponentFile(const std::string& path) {
  try {
    ifptstream in(path);
    if (!in.IsOpen()) return nullptr;
    return ReadComponent(in);
  } catch (const std::exception& error) {
    // The fresh component that replaces it will be saved under the same name: keep the old file
    // for whoever wants to look at it.
    const std::string aside = path + ".unreadable";
    if (os::Current().MoveFile(path, aside)) {
      DebugPrint("Persistent file %s not read: %s; moved to %s\n", path.c_str(), error.what(), aside.c_str());
    } else {
      DebugPrint("Persistent file %s not read: %s; it could not be moved to %s (error %lu)\n", path.c_str(),
                 error.what(), aside.c_str(), static_cast<unsigned long>(os::Current().GetLastError()));
    }
    return nullptr;
  }
}

void SaveComponentFile(TestComponent& component, const std::string& path) {
  try {
    ofptstream out(path);
    WriteComponent(out, component);
    out.Close();
  } catch (const std::exception& error) {
    DebugPrint("Persistent file %s not written: %s\n", path.c_str(), error.what());
  }
}

}  // namespace rb
