#include "hostharness.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace e2e {
namespace {

template <typename Function>
void Resolve(void* library, const char* name, Function& function) {
  void* address = dlsym(library, name);
  if (address == nullptr) throw std::runtime_error(std::string("no export ") + name);
  function = reinterpret_cast<Function>(address);
}

Component Load() {
  Component c{};
  c.library = dlopen(RAVELBANK_E2E_COMPONENT, RTLD_NOW | RTLD_LOCAL);
  if (c.library == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
  Resolve(c.library, "Initialize", c.Initialize);
  Resolve(c.library, "Uninitialize", c.Uninitialize);
  Resolve(c.library, "IsInitialized", c.IsInitialized);
  Resolve(c.library, "SetCallback", c.SetCallback);
  Resolve(c.library, "SetDataRepositoryProvider", c.SetDataRepositoryProvider);
  Resolve(c.library, "ExecuteXMLCommand", c.ExecuteXMLCommand);
  Resolve(c.library, "CreateTestComponentFailureLogFile", c.CreateTestComponentFailureLogFile);
  Resolve(c.library, "dvmIsSparrow", c.dvmIsSparrow);
  Resolve(c.library, "dvmIsDiagsCD", c.dvmIsDiagsCD);
  Resolve(c.library, "dvmIsOnline", c.dvmIsOnline);
  Resolve(c.library, "dvmIsWinPE", c.dvmIsWinPE);
  Resolve(c.library, "dvmIsFactory", c.dvmIsFactory);
  Resolve(c.library, "dvmIsWindlass", c.dvmIsWindlass);
  Resolve(c.library, "dvmIsSurveyOnly", c.dvmIsSurveyOnly);
  Resolve(c.library, "dvmUseHealthDriver", c.dvmUseHealthDriver);
  // The allocator must already be in the process as the component's dependency: the blocks the host
  // frees and the counters it reads are then the component's.
  c.allocator = dlopen(RAVELBANK_E2E_ALLOCATOR, RTLD_NOW | RTLD_NOLOAD);
  if (c.allocator == nullptr) throw std::runtime_error("libvmmemmgr.so was not loaded with the component");
  Resolve(c.allocator, "OruAlloc", c.OruAlloc);
  Resolve(c.allocator, "OruFree", c.OruFree);
  Resolve(c.allocator, "OruGetOutstandingBlocks", c.OruGetOutstandingBlocks);
  Resolve(c.allocator, "OruGetOutstandingBytes", c.OruGetOutstandingBytes);
  return c;
}

std::mutex eventsMutex;
std::vector<Event> events;
std::deque<std::string> answers;

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

// Every test process runs in a scratch directory of its own, holding the files the component reads from
// the current directory (diagconfig.xml) and the simulated machine, so that no test touches the real
// machine's devices or leaves files behind.
class ScratchDirectory : public ::testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/ravelbank-e2e-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(directory_);
    std::ofstream("machine.xml") << "<machine name=\"e2e\"/>\n";
    // Survey-only mode in the diagnostics-CD environment and no health driver: the run-environment
    // answers then depend on both variables.
    std::ofstream("diagconfig.xml") << "<diagconfig><mode surveyOnly=\"1\" envior=\"diagscd\"/>"
                                       "<vm healthDriver=\"0\"/></diagconfig>\n";
    setenv("RAVELBANK_MACHINE", (directory_ / "machine.xml").c_str(), 1);
    for (const char* name : {"SPARROW", "VORTEXA_CD", "RAVELBANK_LANG"}) unsetenv(name);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

 private:
  std::filesystem::path directory_;
  std::filesystem::path previous_;
};

[[maybe_unused]] ::testing::Environment* const scratch =
    ::testing::AddGlobalTestEnvironment(new ScratchDirectory);

// Every scenario, whatever its fixture, ends with the component uninitialised (uninitialised here if
// the scenario left it running) and the host allocator where the scenario found it: the blocks the
// component holds and the blocks it handed out, which the scenario freed, are all gone. The warm-up
// runs before the first scenario, so that what the component keeps for the process is not counted
// against the scenario that happens to make it.
class AllocatorBalance : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    try {
      static const bool warm = (WarmUp(), true);
      (void)warm;
      blocks_ = Host().OruGetOutstandingBlocks();
      bytes_ = Host().OruGetOutstandingBytes();
      ready_ = true;
    } catch (const std::exception& error) {
      ready_ = false;
      ADD_FAILURE() << "the allocator balance cannot be checked: " << error.what();
    }
  }

  void OnTestEnd(const ::testing::TestInfo&) override {
    if (!ready_) return;
    Host().Uninitialize(nullptr);
    EXPECT_EQ(Host().OruGetOutstandingBlocks(), blocks_) << "allocator blocks left after the scenario";
    EXPECT_EQ(Host().OruGetOutstandingBytes(), bytes_) << "allocator bytes left after the scenario";
  }

 private:
  bool ready_ = false;
  std::uint64_t blocks_ = 0;
  std::uint64_t bytes_ = 0;
};

// Appended after the result printer, so that its end of a test comes first and a failure is printed
// with the test.
[[maybe_unused]] const bool balanceChecked =
    (::testing::UnitTest::GetInstance()->listeners().Append(new AllocatorBalance), true);

}  // namespace

const Component& Host() {
  static const Component component = Load();
  return component;
}

void WarmUp() {
  const Component& c = Host();
  Send("<getDiagVersion/>");
  c.dvmIsWinPE();
  c.dvmIsFactory();
  c.Initialize("<options component='e2e.so'/>");
  Take(c.SetCallback(&ScriptedCallback));
  for (const char* command : {"<id/>", "<catalog/>", "<frobnicate/>", "<runTest device='x' test='y'/>"}) {
    Send(command);
  }
  c.Uninitialize(nullptr);
  const char* persistent = "<options component='e2e.so' persistentFilename='warm-up.bin'/>";
  c.Initialize(persistent);
  c.Uninitialize(persistent);  // written
  c.Initialize(persistent);    // read back
  c.Uninitialize(nullptr);
  std::filesystem::remove("warm-up.bin");
  TakeEvents();
}

std::vector<std::string> DeclaredExports() {
  std::ifstream map(RAVELBANK_E2E_EXPORT_MAP);
  std::stringstream text;
  text << map.rdbuf();
  const std::string script = text.str();
  const std::size_t global = script.find("global:");
  const std::size_t local = script.find("local:");
  if (global == std::string::npos || local == std::string::npos)
    throw std::runtime_error("unreadable export map");
  std::vector<std::string> names;
  const std::string section = script.substr(global + 7, local - global - 7);
  const std::regex name("([A-Za-z_][A-Za-z0-9_]*)\\s*;");
  for (auto it = std::sregex_iterator(section.begin(), section.end(), name); it != std::sregex_iterator();
       ++it) {
    names.push_back((*it)[1]);
  }
  return names;
}

std::optional<std::string> Take(char* document) {
  if (document == nullptr) return std::nullopt;
  std::string text(document);
  Host().OruFree(document);
  return text;
}

std::string Send(const std::string& command) {
  return Take(Host().ExecuteXMLCommand(command.c_str())).value_or("<null>");
}

Document::Document(const std::string& text) : document_(std::make_unique<pugi::xml_document>()) {
  parsed_ = static_cast<bool>(document_->load_buffer(text.data(), text.size()));
}

std::string TrimmedText(pugi::xml_node element) {
  std::string text = element.child_value();
  const std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

char* RAVELBANK_HOST_CALL ScriptedCallback(const char* document) {
  Event event;
  event.document = document != nullptr ? document : "";
  pugi::xml_document parsed;
  if (parsed.load_string(event.document.c_str())) {
    const pugi::xml_node root = parsed.document_element();
    event.element = root.name();
    event.caption = root.attribute("caption").value();
    event.description = root.attribute("description").value();
    event.component = root.attribute("component").value();
  }
  std::lock_guard lock(eventsMutex);
  const bool prompt = event.element == "diagPrompt";
  events.push_back(std::move(event));
  if (!prompt) return nullptr;
  std::string answer;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  const std::string reply = "<promptAnswer value=\"" + Escape(answer) + "\"/>";
  char* block = static_cast<char*>(Host().OruAlloc(reply.size() + 1));
  if (block != nullptr) std::memcpy(block, reply.c_str(), reply.size() + 1);
  return block;
}

void ScriptAnswers(std::vector<std::string> script) {
  std::lock_guard lock(eventsMutex);
  answers.assign(script.begin(), script.end());
}

std::vector<Event> TakeEvents() {
  std::lock_guard lock(eventsMutex);
  std::vector<Event> taken;
  taken.swap(events);
  return taken;
}

ScopedEnvironment::ScopedEnvironment(std::string name, const char* value) : name_(std::move(name)) {
  if (const char* old = getenv(name_.c_str())) previous_ = old;
  if (value != nullptr) {
    setenv(name_.c_str(), value, 1);
  } else {
    unsetenv(name_.c_str());
  }
}

ScopedEnvironment::~ScopedEnvironment() {
  if (previous_) {
    setenv(name_.c_str(), previous_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

}  // namespace e2e
