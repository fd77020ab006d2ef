#include "support/datarepository.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/mutex.h"

namespace rb {
namespace {

class HostRepository : public ravelbank::DataRepositoryInterface {
 public:
  void* Get(const std::string& key) override { return key == "shared" ? this : nullptr; }
  void Set(const std::string&, void*) override { ++sets; }
  void Remove(const std::string&) override {}
  int sets = 0;
};

HostRepository hostRepository;
ravelbank::DataRepositoryInterface* RAVELBANK_HOST_CALL ProvideHostRepository() { return &hostRepository; }

TEST(DataRepository, MapOperations) {
  DataRepository repository;
  int a = 0, b = 0;
  EXPECT_EQ(repository.Get("x"), nullptr);
  repository.Set("x", &a);
  repository.Set("X", &b);  // keys are exact bytes
  EXPECT_EQ(repository.Get("x"), &a);
  repository.Set("x", &b);
  EXPECT_EQ(repository.Get("x"), &b);
  repository.Remove("unknown");
  repository.Remove("x");
  EXPECT_EQ(repository.Get("x"), nullptr);
  EXPECT_EQ(repository.Get("X"), &b);
}

TEST(DataRepository, ProviderReplacesTheOwnRepository) {
  ASSERT_EQ(GetRepositoryProvider(), nullptr);
  ravelbank::DataRepositoryInterface* own = GetDataRepository();
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(GetDataRepository(), own);  // created once
  int object = 0;
  own->Set("healthDriverFacade", &object);

  SetRepositoryProvider(&ProvideHostRepository);
  EXPECT_EQ(GetDataRepository(), &hostRepository);
  EXPECT_EQ(GetDataRepository()->Get("shared"), &hostRepository);
  EXPECT_EQ(GetDataRepository()->Get("healthDriverFacade"), nullptr);  // the own one is unreachable now

  SetRepositoryProvider(nullptr);
  EXPECT_EQ(GetDataRepository(), own);
  EXPECT_EQ(own->Get("healthDriverFacade"), &object);
  own->Remove("healthDriverFacade");
}

TEST(MutexLock, TimesOutAndGoesAheadOrTakesTheMutex) {
  Mutex mutex;
  {
    MutexLock held(mutex, 0);
    ASSERT_TRUE(held.Owned());
    MutexLock again(mutex, 0);  // the owner may take it again
    EXPECT_TRUE(again.Owned());
    bool otherOwned = true;
    std::thread other([&] { otherOwned = MutexLock(mutex, 20).Owned(); });
    other.join();
    EXPECT_FALSE(otherOwned);
  }
  bool otherOwned = false;
  std::thread other([&] { otherOwned = MutexLock(mutex, 20).Owned(); });
  other.join();
  EXPECT_TRUE(otherOwned);
}

}  // namespace
}  // namespace rb
