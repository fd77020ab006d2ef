#pragma once

#include <map>
#include <mutex>
#include <string>

#include "ravelbank/host.h"

namespace rb {

// The component's own registry of named shared objects, used when the host supplies no repository.
// It does not own the objects registered in it. The accessor hands it out to any thread (a test's
// worker threads included), so its own operations are locked.
class DataRepository : public ravelbank::DataRepositoryInterface {
 public:
  void* Get(const std::string& key) override;
  void Set(const std::string& key, void* value) override;
  void Remove(const std::string& key) override;
  ~DataRepository() override = default;

 private:
  std::mutex mutex_;
  std::map<std::string, void*> entries_;
};

// The host's provider, null until the host sets one.
void SetRepositoryProvider(ravelbank::DataRepositoryProvider provider);
ravelbank::DataRepositoryProvider GetRepositoryProvider();

// The host's repository when a provider is set, otherwise the component's own (created on first use,
// never destroyed). Serialised by a process-wide mutex whose wait is bounded; null when the component's
// own repository cannot be created.
ravelbank::DataRepositoryInterface* GetDataRepository();

}  // namespace rb
