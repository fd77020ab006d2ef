// libFuzzer target: command documents sent to ExecuteXMLCommand of the built ravelbank.so, loaded with
// dlopen and driven through its exports as a diagnostics host drives it. The input is one or more
// command texts separated by zero bytes, sent in order in one session: Initialize, SetCallback, the
// commands, Uninitialize. Besides running clean under the sanitizers (the library is built with them):
// - every command is answered (a document, possibly empty), never null and never by a crash or an
//   exception through the export;
// - a session leaves the host allocator as it found it. The component keeps a few things for the life
//   of the process, made on first use; so a session that does not balance is run again, and only a
//   second imbalance (the same input leaking again) is a finding.
//
// The component runs on the simulated machine named by RAVELBANK_MACHINE (an empty machine when the
// variable is not set) and reads diagconfig.xml from the current directory, as a host started there
// would: run the fuzzer in a scratch directory.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "ravelbank/host.h"

namespace {

// At most this many commands of an input are sent; the rest is ignored.
constexpr std::size_t kMostCommands = 8;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "command_fuzzer: %s\n", what.c_str());
  std::fflush(stderr);
  __builtin_trap();
}

template <typename Function>
void Resolve(void* library, const char* name, Function& function) {
  void* address = dlsym(library, name);
  if (address == nullptr) Fail(std::string("no export ") + name);
  function = reinterpret_cast<Function>(address);
}

struct Component {
  decltype(&::Initialize) Initialize;
  decltype(&::Uninitialize) Uninitialize;
  decltype(&::SetCallback) SetCallback;
  decltype(&::ExecuteXMLCommand) ExecuteXMLCommand;
  decltype(&::OruAlloc) OruAlloc;
  decltype(&::OruFree) OruFree;
  decltype(&::OruGetOutstandingBlocks) OruGetOutstandingBlocks;
  decltype(&::OruGetOutstandingBytes) OruGetOutstandingBytes;
};

Component component;

// Records nothing and answers every prompt with an empty value, in a block of the host allocator as the
// component expects.
char* RAVELBANK_HOST_CALL Callback(const char* document) {
  if (document == nullptr || std::strncmp(document, "<diagPrompt", 11) != 0) return nullptr;
  static constexpr char kAnswer[] = "<promptAnswer value=\"\"/>";
  char* block = static_cast<char*>(component.OruAlloc(sizeof kAnswer));
  if (block != nullptr) std::memcpy(block, kAnswer, sizeof kAnswer);
  return block;
}

void Take(char* document) {
  if (document != nullptr) component.OruFree(document);
}

void Session(const std::vector<std::string>& commands) {
  component.Initialize("<options component='fuzz.so'/>");
  Take(component.SetCallback(&Callback));
  for (const std::string& command : commands) {
    char* answer = component.ExecuteXMLCommand(command.c_str());
    if (answer == nullptr) Fail("a command was answered with null: " + command);
    Take(answer);
  }
  component.Uninitialize(nullptr);
}

// What a session with these commands leaves outstanding in the host allocator that was not before it.
struct Leftover {
  std::int64_t blocks;
  std::int64_t bytes;
  bool None() const { return blocks == 0 && bytes == 0; }
};

Leftover SessionLeftover(const std::vector<std::string>& commands) {
  const std::uint64_t blocks = component.OruGetOutstandingBlocks();
  const std::uint64_t bytes = component.OruGetOutstandingBytes();
  Session(commands);
  return {static_cast<std::int64_t>(component.OruGetOutstandingBlocks() - blocks),
          static_cast<std::int64_t>(component.OruGetOutstandingBytes() - bytes)};
}

std::string machineFile;

void RemoveMachineFile() { unlink(machineFile.c_str()); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (getenv("RAVELBANK_MACHINE") == nullptr) {
    char path[] = "/tmp/command-fuzzer-machine-XXXXXX";
    const int file = mkstemp(path);
    if (file < 0) Fail("no scratch file for the machine");
    close(file);
    machineFile = path;
    std::atexit(&RemoveMachineFile);
    std::ofstream(path) << "<machine name=\"fuzz\"/>\n";
    setenv("RAVELBANK_MACHINE", path, 1);
  }
  void* library = dlopen(RAVELBANK_FUZZ_COMPONENT, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) Fail(std::string("dlopen: ") + dlerror());
  Resolve(library, "Initialize", component.Initialize);
  Resolve(library, "Uninitialize", component.Uninitialize);
  Resolve(library, "SetCallback", component.SetCallback);
  Resolve(library, "ExecuteXMLCommand", component.ExecuteXMLCommand);
  // The allocator is in the process as the component's dependency: its counters are the component's.
  void* allocator = dlopen(RAVELBANK_FUZZ_ALLOCATOR, RTLD_NOW | RTLD_NOLOAD);
  if (allocator == nullptr) Fail("the allocator was not loaded with the component");
  Resolve(allocator, "OruAlloc", component.OruAlloc);
  Resolve(allocator, "OruFree", component.OruFree);
  Resolve(allocator, "OruGetOutstandingBlocks", component.OruGetOutstandingBlocks);
  Resolve(allocator, "OruGetOutstandingBytes", component.OruGetOutstandingBytes);
  // What the component makes once per process (platform backend, run environment, catalogs, registry).
  Session({"<getDiagVersion/>", "<id/>", "<catalog/>", "<frobnicate/>"});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> commands;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (commands.size() < kMostCommands) {
    const std::size_t zero = rest.find('\0');
    commands.emplace_back(rest.substr(0, zero));
    if (zero == std::string_view::npos) break;
    rest.remove_prefix(zero + 1);
  }
  if (SessionLeftover(commands).None()) return 0;
  const Leftover again = SessionLeftover(commands);
  if (!again.None()) {
    Fail("every session with this input leaves " + std::to_string(again.blocks) + " blocks (" +
         std::to_string(again.bytes) + " bytes) behind in the host allocator");
  }
  return 0;
}
