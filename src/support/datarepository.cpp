#include "support/datarepository.h"

#include <atomic>
#include <memory>
#include <new>

#include "support/mutex.h"

namespace rb {
namespace {
std::atomic<ravelbank::DataRepositoryProvider> provider{nullptr};
// Guarded by RepositoryMutex(). Both are destroyed when the library is unloaded, so that a host that
// loads the component again and again gets every block back.
std::unique_ptr<DataRepository> ownRepository;

Mutex& RepositoryMutex() {
  static Mutex mutex;
  return mutex;
}
}  // namespace

void* DataRepository::Get(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : it->second;
}

void DataRepository::Set(const std::string& key, void* value) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_[key] = value;
}

void DataRepository::Remove(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.erase(key);
}

void SetRepositoryProvider(ravelbank::DataRepositoryProvider p) { provider.store(p); }
ravelbank::DataRepositoryProvider GetRepositoryProvider() { return provider.load(); }

ravelbank::DataRepositoryInterface* GetDataRepository() {
  MutexLock lock(RepositoryMutex(), MutexLock::kDefaultWaitMs);
  if (const ravelbank::DataRepositoryProvider p = provider.load()) return p();
  if (ownRepository == nullptr) ownRepository.reset(new (std::nothrow) DataRepository);
  return ownRepository.get();
}

}  // namespace rb
