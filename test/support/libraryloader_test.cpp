#include "support/libraryloader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/catalogtesting.h"

namespace rb {
namespace {

using LibraryLoaderTest = rbtest::CatalogTest;

TEST_F(LibraryLoaderTest, LoadsByTheWindowsNameBesideTheComponent) {
  const win::HMODULE module = LoadLibraryOrThrow("strtrans.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_NE(os::Current().GetProcAddress(module, "Translate"), nullptr);
}

TEST_F(LibraryLoaderTest, FailureNamesTheLibraryAndTheLastError) {
  const struct {
    bool refuse;
    win::DWORD error;
    std::string name;
    std::string message;
  } cases[] = {
      {false, 0, "nosuch.dll", "LoadLibrary nosuch.dll failed: rc=126"},
      {true, win::ERROR_ACCESS_DENIED, "strtrans.dll", "LoadLibrary strtrans.dll failed: rc=5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform->refuseLoads = c.refuse;
    platform->refusalError = c.error;
    try {
      LoadLibraryOrThrow(c.name);
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
}

}  // namespace
}  // namespace rb
