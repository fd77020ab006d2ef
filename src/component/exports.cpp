// The component's exported functions. No exception ever leaves them: a failure becomes an error
// document (commands), a trace (Initialize, Uninitialize) or a fixed error document.
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component/componentfile.h"
#include "component/componentinstance.h"
#include "component/failurelog.h"
#include "component/storagetestcomponent.h"
#include "ravelbank/host.h"
#include "support/catalog.h"
#include "support/datarepository.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/runenvironment.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

// A copy of the text in a block of the host's allocator; null when the block cannot be had.
char* HostCopy(std::string_view text) noexcept {
  char* block = static_cast<char*>(OruAlloc(text.size() + 1));
  if (block != nullptr) {
    std::memcpy(block, text.data(), text.size());
    block[text.size()] = '\0';
  }
  return block;
}

std::string UninitializedDocument() { return OruError("Uninitialized Test Component", "").ToXml().ToString(); }

// What an export answers when not even its error document could be built: never a null answer.
constexpr const char* kUnexpectedFailureDocument = "<error caption=\"Unexpected failure\"/>\n";

// The error document of an unexpected failure, announced to the host like a command error.
std::string FailureDocument(const OruError& error, const std::string& component) {
  std::string document;
  try {
    return AnnounceError(error, component);
  } catch (...) {
    // The host cannot even be told (no callback): the document alone carries the error.
  }
  try {
    document = error.ToXml().ToString();
    CreateFailureLogFile(component);
  } catch (...) {
  }
  if (document.empty()) {
    XmlObject bare;
    bare.SetName("error");
    bare.SetAttribute("caption", error.Message());
    document = bare.ToString();
  }
  return document;
}

std::string CommandComponent(const char* command) {
  try {
    return XmlObject(command).GetAttribute("component", "");
  } catch (...) {
    return {};
  }
}

// The options document of Initialize and Uninitialize; a malformed one is traced and read as empty.
XmlObject ParseOptions(const char* options, const char* caller) {
  try {
    return XmlObject(options);
  } catch (const std::exception& error) {
    DebugPrint("%s: unusable options document: %s\n", caller, error.what());
    return XmlObject();
  }
}

// A run-environment answer as 1 or 0; the fallback when the question cannot be asked.
int32_t Answer(bool (*question)(), int32_t fallback) {
  try {
    return question() ? 1 : 0;
  } catch (...) {
    return fallback;
  }
}

// Initialize and Uninitialize run one at a time.
std::mutex& LifecycleLock() {
  static std::mutex lock;
  return lock;
}

void DoUninitialize(const char* options) {
  std::lock_guard guard(LifecycleLock());
  const std::shared_ptr<TestComponent> component = HoldComponent();
  if (!component) return;
  if (options != nullptr) {
    const std::string path = ParseOptions(options, "Uninitialize").GetAttribute("persistentFilename", "");
    if (!path.empty()) SaveComponentFile(*component, path);
  }
  ExchangeComponent(nullptr);
  component->Stop();
  // A command still running on another thread holds the component: it is destroyed when that returns.
}

void DoInitialize(const char* options) {
  DoUninitialize(nullptr);
  std::lock_guard guard(LifecycleLock());
  const XmlObject parsed = ParseOptions(options != nullptr ? options : "", "Initialize");
  // The trace switch first, so that a persistent file that cannot be read back is traced.
  if (parsed.GetAttribute("debugEnabled", "") == "1") SetDebugEnabled(true);
  const std::string path = parsed.GetAttribute("persistentFilename", "");
  std::unique_ptr<TestComponent> component;
  if (!path.empty()) component = LoadComponentFile(path);
  if (!component) component = StorageTestComponent::CreateNew();
  component->SetComponentName(parsed.GetAttribute("component", ""));
  std::shared_ptr<TestComponent> started(std::move(component));
  ExchangeComponent(started);
  started->Start();
}

// Initialize and Uninitialize that a host's callback called while a command ran on its thread: they
// would destroy the component under the command, so they wait until the outermost command returns.
struct DeferredCall {
  void (*call)(const char* options);
  const char* name;
  std::optional<std::string> options;
};
// Made only when a call is deferred and gone once it ran: a thread-local object with a destructor would
// keep the library loaded until the thread ends.
thread_local std::vector<DeferredCall>* deferredCalls = nullptr;

template <class Call>
void Guarded(const char* name, Call call) {
  try {
    call();
  } catch (const std::exception& error) {
    DebugPrint("%s failed: %s\n", name, error.what());
  } catch (...) {
    DebugPrint("%s failed\n", name);
  }
}

// Runs `call` now, or after the command that runs on this thread.
void RunOrDefer(void (*call)(const char*), const char* name, const char* options) {
  Guarded(name, [&] {
    if (!CommandScope::Active()) return call(options);
    DebugPrint("%s called while a command runs: it takes effect when the command has returned\n", name);
    if (deferredCalls == nullptr) deferredCalls = new std::vector<DeferredCall>;
    deferredCalls->push_back(
        {call, name, options != nullptr ? std::optional<std::string>(options) : std::nullopt});
  });
}

void RunDeferredCalls() {
  if (CommandScope::Active() || deferredCalls == nullptr) return;
  const std::unique_ptr<std::vector<DeferredCall>> calls(deferredCalls);
  deferredCalls = nullptr;
  for (const DeferredCall& deferred : *calls)
    Guarded(deferred.name, [&] { deferred.call(deferred.options ? deferred.options->c_str() : nullptr); });
}

// The answer of a command on the component, which the command holds while it runs.
char* ExecuteOn(std::shared_ptr<TestComponent> held, const char* command) {
  TestComponent& component = *held;
  const CommandScope scope(std::move(held));
  if (command == nullptr) return HostCopy(FailureDocument(OruError("Invalid Command", ""), ""));
  try {
    return HostCopy(component.ExecuteCommand(command));
  } catch (const OruError& error) {
    return HostCopy(FailureDocument(error, CommandComponent(command)));
  } catch (const std::exception& error) {
    return HostCopy(FailureDocument(OruError(error.what(), ""), CommandComponent(command)));
  } catch (...) {
    return HostCopy(FailureDocument(OruError("Unexpected failure", ""), CommandComponent(command)));
  }
}

}  // namespace
}  // namespace rb

extern "C" {

RAVELBANK_HOST_API void RAVELBANK_HOST_CALL Initialize(const char* options) {
  rb::RunOrDefer(&rb::DoInitialize, "Initialize", options);
}

RAVELBANK_HOST_API void RAVELBANK_HOST_CALL Uninitialize(const char* options) {
  rb::RunOrDefer(&rb::DoUninitialize, "Uninitialize", options);
}

RAVELBANK_HOST_API bool RAVELBANK_HOST_CALL IsInitialized(void) {
  return rb::HoldComponent() != nullptr;
}

RAVELBANK_HOST_API char* RAVELBANK_HOST_CALL SetCallback(EventCallback callback) {
  try {
    const std::shared_ptr<rb::TestComponent> component = rb::HoldComponent();
    if (!component) return rb::HostCopy(rb::UninitializedDocument());
    component->SetCallback(callback);
    rb::XmlObject answer;
    answer.SetName("diagOutput");
    answer.SetAttribute("type", "setCallback");
    answer.SetAttribute("status", rb::Translate("Success"));
    return rb::HostCopy(answer.ToString());
  } catch (...) {
    return rb::HostCopy(rb::kUnexpectedFailureDocument);
  }
}

RAVELBANK_HOST_API void RAVELBANK_HOST_CALL SetDataRepositoryProvider(ravelbank::DataRepositoryProvider provider) {
  rb::SetRepositoryProvider(provider);
}

RAVELBANK_HOST_API char* RAVELBANK_HOST_CALL ExecuteXMLCommand(const char* command) {
  char* answer = nullptr;
  try {
    std::shared_ptr<rb::TestComponent> component = rb::HoldComponent();
    answer =
        component ? rb::ExecuteOn(std::move(component), command) : rb::HostCopy(rb::UninitializedDocument());
  } catch (...) {
    answer = rb::HostCopy(rb::kUnexpectedFailureDocument);
  }
  rb::RunDeferredCalls();
  return answer;
}

RAVELBANK_HOST_API void RAVELBANK_HOST_CALL CreateTestComponentFailureLogFile(const std::string& component) {
  try {
    rb::CreateFailureLogFile(component);
  } catch (...) {
  }
}

RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsSparrow(void) { return rb::Answer(rb::IsSparrow, 0); }
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsDiagsCD(void) { return rb::Answer(rb::IsDiagsCD, 0); }
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsOnline(void) { return rb::Answer(rb::IsOnline, 1); }

RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsWinPE(void) { return rb::Answer(rb::IsWinPE, 0); }

RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsFactory(void) { return rb::Answer(rb::IsFactory, 0); }

RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsWindlass(void) { return rb::Answer(rb::IsWindlass, 0); }

RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsSurveyOnly(void) { return rb::Answer(rb::IsSurveyOnly, 0); }

RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmUseHealthDriver(void) { return rb::Answer(rb::UseHealthDriver, 1); }

}  // extern "C"
