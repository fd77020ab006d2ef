#include "support/datarepository.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

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

// The own repository is created on first need, under the repository mutex: threads asking at once
// all get the one repository.
TEST(DataRepository, ThreadsAskingAtOnceShareOneRepository) {
  ASSERT_EQ(GetRepositoryProvider(), nullptr);
  std::vector<ravelbank::DataRepositoryInterface*> seen(4, nullptr);
  std::vector<std::thread> threads;
  for (auto& repository : seen) threads.emplace_back([&repository] { repository = GetDataRepository(); });
  for (std::thread& thread : threads) thread.join();
  ASSERT_NE(seen.front(), nullptr);
  for (ravelbank::DataRepositoryInterface* repository : seen) EXPECT_EQ(repository, seen.front());
}

// The own repository is handed to any thread; entries set from several at once are all kept.
TEST(DataRepository, ThreadsUsingItAtOnceKeepEveryEntry) {
  ASSERT_EQ(GetRepositoryProvider(), nullptr);
  ravelbank::DataRepositoryInterface* repository = GetDataRepository();
  ASSERT_NE(repository, nullptr);
  static int values[4][200];
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([repository, t] {
      for (int i = 0; i < 200; ++i) {
        const std::string key = "thread" + std::to_string(t) + "." + std::to_string(i);
        repository->Set(key, &values[t][i]);
        if (repository->Get(key) != &values[t][i]) ADD_FAILURE() << key;
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t)
    for (int i = 0; i < 200; ++i) {
      const std::string key = "thread" + std::to_string(t) + "." + std::to_string(i);
      EXPECT_EQ(repository->Get(key), &values[t][i]) << key;
      repository->Remove(key);
    }
}

}  // namespace
}  // namespace rb
