#include "framework/persistent.h"

#include <array>
#include <mutex>

#include "framework/ptstream.h"

namespace rb {
namespace {

// Room for every streamable class of the component and of a test program.
constexpr std::size_t kRegistryCapacity = 512;

struct Registry {
  std::mutex mutex;
  std::array<StreamProxy, kRegistryCapacity> entries;
  std::size_t count = 0;

  // Under the lock.
  const StreamProxy* Find(std::string_view name) const {
    for (std::size_t i = 0; i < count; ++i)
      if (name == entries[i].ClassName()) return &entries[i];
    return nullptr;
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// The component's classes join the registry before anyone can look a name up.
void EnsureComponentClasses() {
  static std::once_flag once;
  std::call_once(once, RegisterComponentClasses);
}

}  // namespace

void StreamProxy::Stream(ptstream&, bool, std::int32_t) {}

void StreamProxy::Assign(const Persistent& other) {
  const auto& from = dynamic_cast<const StreamProxy&>(other);
  name_ = from.name_;
  factory_ = from.factory_;
}

bool RegisterStreamableClass(const char* name, StreamProxy::Factory factory) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (registry.Find(name) != nullptr) return false;
  if (registry.count == registry.entries.size()) throw std::length_error("Class registry full");
  registry.entries[registry.count++] = StreamProxy(name, factory);
  return true;
}

const StreamProxy* FindStreamProxy(std::string_view name) {
  EnsureComponentClasses();
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  // Entries are never removed or moved, so the pointer stays good after the lock.
  return registry.Find(name);
}

}  // namespace rb
