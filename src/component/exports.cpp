// The component's exported functions. No exception ever leaves them: a failure becomes an error
// document (commands), a trace (Initialize, Uninitialize) or a null answer.
#include <cstring>
#include <exception>
#include <memory>
#include <string>

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
char* HostCopy(const std::string& text) {
  char* block = static_cast<char*>(OruAlloc(text.size() + 1));
  if (block != nullptr) std::memcpy(block, text.c_str(), text.size() + 1);
  return block;
}

std::string UninitializedDocument() { return OruError("Uninitialized Test Component", "").ToXml().ToString(); }

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

void DoUninitialize(const char* options) {
  TestComponent* component = ComponentInstance();
  if (component == nullptr) return;
  if (options != nullptr) {
    const std::string path = ParseOptions(options, "Uninitialize").GetAttribute("persistentFilename", "");
    if (!path.empty()) SaveComponentFile(*component, path);
  }
  SetComponentInstance(nullptr);
  component->Stop();
  delete component;
}

}  // namespace
}  // namespace rb

using rb::ComponentInstance;

extern "C" {

RAVELBANK_HOST_API void RAVELBANK_HOST_CALL Initialize(const char* options) {
  try {
    rb::DoUninitialize(nullptr);
    const rb::XmlObject parsed = rb::ParseOptions(options != nullptr ? options : "", "Initialize");
    // The trace switch first, so that a persistent file that cannot be read back is traced.
    if (parsed.GetAttribute("debugEnabled", "") == "1") rb::SetDebugEnabled(true);
    const std::string path = parsed.GetAttribute("persistentFilename", "");
    std::unique_ptr<rb::TestComponent> component;
    if (!path.empty()) component = rb::LoadComponentFile(path);
    if (!component) component = rb::StorageTestComponent::CreateNew();
    component->SetComponentName(parsed.GetAttribute("component", ""));
    rb::TestComponent* started = component.release();
    rb::SetComponentInstance(started);
    started->Start();
  } catch (const std::exception& error) {
    rb::DebugPrint("Initialize failed: %s\n", error.what());
  } catch (...) {
    rb::DebugPrint("Initialize failed\n");
  }
}

RAVELBANK_HOST_API void RAVELBANK_HOST_CALL Uninitialize(const char* options) {
  try {
    rb::DoUninitialize(options);
  } catch (const std::exception& error) {
    rb::DebugPrint("Uninitialize failed: %s\n", error.what());
  } catch (...) {
    rb::DebugPrint("Uninitialize failed\n");
  }
}

RAVELBANK_HOST_API bool RAVELBANK_HOST_CALL IsInitialized(void) { return ComponentInstance() != nullptr; }

RAVELBANK_HOST_API char* RAVELBANK_HOST_CALL SetCallback(EventCallback callback) {
  try {
    rb::TestComponent* component = ComponentInstance();
    if (component == nullptr) return rb::HostCopy(rb::UninitializedDocument());
    component->SetCallback(callback);
    rb::XmlObject answer;
    answer.SetName("diagOutput");
    answer.SetAttribute("type", "setCallback");
    answer.SetAttribute("status", rb::Translate("Success"));
    return rb::HostCopy(answer.ToString());
  } catch (...) {
    return nullptr;
  }
}

RAVELBANK_HOST_API void RAVELBANK_HOST_CALL SetDataRepositoryProvider(ravelbank::DataRepositoryProvider provider) {
  rb::SetRepositoryProvider(provider);
}

RAVELBANK_HOST_API char* RAVELBANK_HOST_CALL ExecuteXMLCommand(const char* command) {
  try {
    rb::TestComponent* component = ComponentInstance();
    if (component == nullptr) return rb::HostCopy(rb::UninitializedDocument());
    if (command == nullptr) return rb::HostCopy(rb::FailureDocument(rb::OruError("Invalid Command", ""), ""));
    try {
      return rb::HostCopy(component->ExecuteCommand(command));
    } catch (const rb::OruError& error) {
      return rb::HostCopy(rb::FailureDocument(error, rb::CommandComponent(command)));
    } catch (const std::exception& error) {
      return rb::HostCopy(rb::FailureDocument(rb::OruError(error.what(), ""), rb::CommandComponent(command)));
    } catch (...) {
      return rb::HostCopy(rb::FailureDocument(rb::OruError("Unexpected failure", ""), rb::CommandComponent(command)));
    }
  } catch (...) {
    return nullptr;
  }
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
