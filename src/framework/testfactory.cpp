#include "framework/testfactory.h"

#include <array>
#include <cstddef>
#include <mutex>
#include <stdexcept>

#include "framework/ptstream.h"
#include "framework/test.h"

namespace rb {

namespace {

constexpr std::size_t kCapacity = 256;

struct Registry {
  struct Entry {
    const char* name = nullptr;
    TestMaker maker = nullptr;
    ConfiguredTestMaker configured = nullptr;
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

Registry::Entry Find(std::string_view name) {
  RegisterOnce();
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  for (std::size_t i = 0; i < registry.count; ++i)
    if (registry.entries[i].name == name) return registry.entries[i];
  return {};
}

}  // namespace

bool RegisterTestMaker(const char* name, TestMaker maker) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  for (std::size_t i = 0; i < registry.count; ++i) {
    Registry::Entry& entry = registry.entries[i];
    if (std::string_view(entry.name) != name) continue;
    if (entry.maker != nullptr) return false;
    entry.maker = maker;
    return true;
  }
  if (registry.count == registry.entries.size()) throw std::length_error("Test registry full");
  registry.entries[registry.count++] = {name, maker, nullptr};
  return true;
}

bool RegisterConfiguredTestMaker(const char* name, ConfiguredTestMaker maker) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  for (std::size_t i = 0; i < registry.count; ++i) {
    Registry::Entry& entry = registry.entries[i];
    if (std::string_view(entry.name) != name) continue;
    if (entry.configured != nullptr) return false;
    entry.configured = maker;
    return true;
  }
  if (registry.count == registry.entries.size()) throw std::length_error("Test registry full");
  registry.entries[registry.count++] = {name, nullptr, maker};
  return true;
}

std::unique_ptr<Test> MakeTest(std::string_view name) {
  const Registry::Entry entry = Find(name);
  return entry.maker != nullptr ? entry.maker() : nullptr;
}

TestConfig TransferTestConfig(ptstream& stream, const Test& test, const std::vector<int>& codes) {
  TestConfig config{test.Name(), test.Caption(), codes};
  stream.Transfer(config.caption);
  // The count is checked against what the stream still holds: a damaged file cannot ask for more.
  config.codes.resize(stream.TransferCount(config.codes.size(), sizeof(std::int32_t)));
  for (int& code : config.codes) {
    auto value = static_cast<std::int32_t>(code);
    stream.Transfer(value);
    code = value;
  }
  return config;
}

std::unique_ptr<Test> MakeConfiguredTest(std::string_view testClass, const TestConfig& config) {
  const Registry::Entry entry = Find(testClass);
  if (entry.configured != nullptr) return entry.configured(config);
  if (entry.maker != nullptr && config.name == testClass) return entry.maker();
  return nullptr;
}

}  // namespace rb
