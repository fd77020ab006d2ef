#pragma once

// The end-to-end tests' host. It loads the built ravelbank.so with dlopen, as a diagnostics host does,
// finds every function by name with dlsym (the component's and, through the same loaded library, the
// allocator's), registers a scripted callback that records events and answers prompts, and runs the
// process in a scratch directory with a simulated machine and a run-environment file of its own.
//
// After every test the harness uninitialises the component and checks that the host allocator is back
// where it was when the test started (a warm-up session before the first test makes what the component
// keeps for the process). A test therefore ends with every block the component handed it freed; a
// suite cannot keep the component initialised from one test to the next.

#include <cstdint>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "ravelbank/host.h"

namespace e2e {

struct Component {
  decltype(&::Initialize) Initialize;
  decltype(&::Uninitialize) Uninitialize;
  decltype(&::IsInitialized) IsInitialized;
  decltype(&::SetCallback) SetCallback;
  decltype(&::SetDataRepositoryProvider) SetDataRepositoryProvider;
  decltype(&::ExecuteXMLCommand) ExecuteXMLCommand;
  decltype(&::CreateTestComponentFailureLogFile) CreateTestComponentFailureLogFile;
  decltype(&::dvmIsSparrow) dvmIsSparrow;
  decltype(&::dvmIsDiagsCD) dvmIsDiagsCD;
  decltype(&::dvmIsOnline) dvmIsOnline;
  decltype(&::dvmIsWinPE) dvmIsWinPE;
  decltype(&::dvmIsFactory) dvmIsFactory;
  decltype(&::dvmIsWindlass) dvmIsWindlass;
  decltype(&::dvmIsSurveyOnly) dvmIsSurveyOnly;
  decltype(&::dvmUseHealthDriver) dvmUseHealthDriver;

  // From libvmmemmgr.so, which the component loaded as its dependency.
  decltype(&::OruAlloc) OruAlloc;
  decltype(&::OruFree) OruFree;
  decltype(&::OruGetOutstandingBlocks) OruGetOutstandingBlocks;
  decltype(&::OruGetOutstandingBytes) OruGetOutstandingBytes;

  void* library;    // the dlopen handle of ravelbank.so
  void* allocator;  // the handle of the already loaded libvmmemmgr.so (RTLD_NOLOAD)
};

// The component, loaded on first use; raises std::runtime_error when it or an export cannot be found.
const Component& Host();

// A session that makes what the component keeps for the life of the process: the platform backend (the
// simulated machine), the run-environment configuration, the message catalogs, the data repository and
// the class registry that reads a persistent file back. It ends uninitialised. The harness runs it
// before the first test.
void WarmUp();

// The names the component's export list declares (the version script), in its order.
std::vector<std::string> DeclaredExports();

// The text of a document the component returned, freed with OruFree; nothing for null.
std::optional<std::string> Take(char* document);
// ExecuteXMLCommand; "<null>" when the component answered null, so that comparisons show it.
std::string Send(const std::string& command);

// A parsed document; its root is Root().
class Document {
 public:
  explicit Document(const std::string& text);
  bool WellFormed() const { return parsed_; }
  pugi::xml_node Root() const { return document_->document_element(); }

 private:
  std::unique_ptr<pugi::xml_document> document_;
  bool parsed_;
};

// The text of an element with surrounding blanks removed.
std::string TrimmedText(pugi::xml_node element);

// What the scripted callback saw, in order of arrival.
struct Event {
  std::string element;  // diagEvent, diagUpdate, diagPrompt, ...
  std::string caption;
  std::string description;
  std::string component;
  std::string document;
};

// The callback the tests register: records each document under a lock and answers each diagPrompt with
// the next scripted answer (as <promptAnswer value="..."/>, allocated with OruAlloc).
char* RAVELBANK_HOST_CALL ScriptedCallback(const char* document);
void ScriptAnswers(std::vector<std::string> answers);
std::vector<Event> TakeEvents();

// Sets or removes an environment variable for the life of the object, restoring the earlier state.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const char* value);  // null value: unset
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace e2e
