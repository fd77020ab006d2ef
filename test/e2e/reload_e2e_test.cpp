// A host that loads and unloads the component again and again: once unloaded, the component holds no
// block of the host's allocator, so nothing accumulates from one load to the next. This process loads
// the component only here (the host harness of the other end-to-end tests keeps it loaded).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "ravelbank/host.h"

// Under the sanitizers, the undefined-behaviour runtime keeps a block of its own for every load of an
// instrumented library and never frees it, and the leak checker cannot always tell whose it is once
// libraries came and went. This process checks its balance with the host allocator's counters instead.
extern "C" int __lsan_is_turned_off() { return 1; }

namespace {

template <class Function>
Function Find(void* library, const char* name) {
  void* address = dlsym(library, name);
  if (address == nullptr) throw std::runtime_error(std::string("dlsym ") + name);
  return reinterpret_cast<Function>(address);
}

char* RAVELBANK_HOST_CALL IgnoreEvents(const char*) {
  return nullptr;
}

// One session of a host: load, use every part that keeps something for the process (platform,
// configuration, catalogs, data repository), unload.
void Session(decltype(&::OruFree) oruFree) {
  void* component = dlopen(RAVELBANK_E2E_COMPONENT, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(component, nullptr) << dlerror();
  Find<decltype(&::Initialize)>(component, "Initialize")("<options component='reload.so'/>");
  oruFree(Find<decltype(&::SetCallback)>(component, "SetCallback")(&IgnoreEvents));
  const auto execute = Find<decltype(&::ExecuteXMLCommand)>(component, "ExecuteXMLCommand");
  for (const char* command : {"<getDiagVersion/>", "<id/>", "<catalog/>", "<frobnicate/>"})
    oruFree(execute(command));
  Find<decltype(&::dvmIsFactory)>(component, "dvmIsFactory")();
  Find<decltype(&::Uninitialize)>(component, "Uninitialize")(nullptr);
  ASSERT_EQ(dlclose(component), 0);
}

TEST(Reload, UnloadedComponentHoldsNoAllocatorBlock) {
  char pattern[] = "/tmp/ravelbank-reload-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(pattern);
  std::ofstream("machine.xml") << "<machine name=\"reload\"/>\n";
  std::ofstream("diagconfig.xml") << "<diagconfig><vm healthDriver=\"0\"/></diagconfig>\n";
  setenv("RAVELBANK_MACHINE", (std::filesystem::path(pattern) / "machine.xml").c_str(), 1);

  // The allocator stays loaded from first to last, so that its counters span every session.
  void* allocator = dlopen(RAVELBANK_E2E_ALLOCATOR, RTLD_NOW | RTLD_GLOBAL);
  ASSERT_NE(allocator, nullptr) << dlerror();
  const auto oruFree = Find<decltype(&::OruFree)>(allocator, "OruFree");
  const auto blocks = Find<decltype(&::OruGetOutstandingBlocks)>(allocator, "OruGetOutstandingBlocks");
  const auto bytes = Find<decltype(&::OruGetOutstandingBytes)>(allocator, "OruGetOutstandingBytes");
  const std::uint64_t blocksBefore = blocks();
  const std::uint64_t bytesBefore = bytes();
  for (int session = 1; session <= 5; ++session) {
    Session(oruFree);
    EXPECT_EQ(blocks(), blocksBefore) << "session " << session;
    EXPECT_EQ(bytes(), bytesBefore) << "session " << session;
  }
  dlclose(allocator);
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(pattern);
}

}  // namespace
