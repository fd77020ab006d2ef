#include "framework/testfactory.h"

#include <array>
#include <cstddef>
#include <mutex>
#include <stdexcept>

#include "framework/test.h"

namespace rb {

namespace {

constexpr std::size_t kCapacity = 256;

struct Registry {
  struct Entry {
    const char* name = nullptr;
    TestMaker maker = nullptr;
  };
  std::array<Entry, kCapacity> entries;
  std::size_t count = 0;
  std::mutex lock;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

void RegisterOnce() {
  static std::once_flag once;
  std::call_once(once, [] { RegisterComponentTests(); });
}

}  // namespace

bool RegisterTestMaker(const char* name, TestMaker maker) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  for (std::size_t i = 0; i < registry.count; ++i)
    if (std::string_view(registry.entries[i].name) == name) return false;
  if (registry.count == registry.entries.size()) throw std::length_error("Test registry full");
  registry.entries[registry.count++] = {name, maker};
  return true;
}

std::unique_ptr<Test> MakeTest(std::string_view name) {
  RegisterOnce();
  Registry& registry = TheRegistry();
  TestMaker maker = nullptr;
  {
    std::lock_guard lock(registry.lock);
    for (std::size_t i = 0; i < registry.count && maker == nullptr; ++i)
      if (registry.entries[i].name == name) maker = registry.entries[i].maker;
  }
  return maker != nullptr ? maker() : nullptr;
}

}  // namespace rb
