#pragma once

// Tests of the catalog client and of the message-catalog library run against the real strtrans.so
// beside the test binary, loaded through a linux backend that lets a test refuse the load or hide entry
// points. Each test starts with no library handle and leaves RAVELBANK_LANG and the backend as it found
// them. The library keeps its catalogs for the life of the process, so tests only ever add catalogs.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/linux/linuxplatform.h"
#include "platform/os.h"
#include "support/catalog.h"

namespace rbtest {

class LibraryControlPlatform : public os::LinuxPlatform {
 public:
  win::HMODULE LoadLibrary(const std::string& name) override {
    ++loads;
    if (refuseLoads) {
      SetLastError(refusalError);
      return nullptr;
    }
    return LinuxPlatform::LoadLibrary(name);
  }
  void* GetProcAddress(win::HMODULE module, const std::string& name) override {
    if (hidden.count(name) != 0) {
      SetLastError(win::ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
    return LinuxPlatform::GetProcAddress(module, name);
  }

  std::atomic<int> loads{0};
  bool refuseLoads = false;
  win::DWORD refusalError = win::ERROR_MOD_NOT_FOUND;
  std::set<std::string> hidden;
};

class CatalogTest : public testing::Test {
 protected:
  static constexpr const char* kLanguageVariable = "RAVELBANK_LANG";

  void SetUp() override {
    if (const char* value = ::getenv(kLanguageVariable)) savedLanguage_ = value;
    rb::ForgetCatalogLibraryForTesting();
    auto backend = std::make_unique<LibraryControlPlatform>();
    platform = backend.get();
    os::Install(std::move(backend));
  }
  void TearDown() override {
    SetLanguage(savedLanguage_);
    os::Install(nullptr);
    rb::ForgetCatalogLibraryForTesting();
  }

  // Sets RAVELBANK_LANG, or removes it for nullopt.
  static void SetLanguage(const std::optional<std::string>& language) {
    if (language) {
      ::setenv(kLanguageVariable, language->c_str(), 1);
    } else {
      ::unsetenv(kLanguageVariable);
    }
  }
  // Sets the language and registers the component's two catalogs for it.
  static void UseLanguage(const std::string& language) {
    SetLanguage(language);
    EXPECT_EQ(rb::AddCatalog("sdl"), 1) << language;
    EXPECT_EQ(rb::AddCatalog("ravelbank"), 1) << language;
  }

  LibraryControlPlatform* platform = nullptr;

 private:
  std::optional<std::string> savedLanguage_;
};

}  // namespace rbtest
