#pragma once

// The component's exports as diaghost uses them, found by name in the loaded library.

#include <cstdint>
#include <optional>
#include <string>

#include "ravelbank/host.h"

namespace diaghost {

struct ComponentExports {
  decltype(&::Initialize) initialize = nullptr;
  decltype(&::Uninitialize) uninitialize = nullptr;
  decltype(&::IsInitialized) isInitialized = nullptr;
  decltype(&::SetCallback) setCallback = nullptr;
  decltype(&::ExecuteXMLCommand) executeXmlCommand = nullptr;

  struct Question {
    const char* name;
    int32_t(RAVELBANK_HOST_CALL* ask)();
  };
  // The run-environment questions, in the order the component declares them.
  Question environment[8] = {{"dvmIsSparrow", nullptr},    {"dvmIsDiagsCD", nullptr},
                             {"dvmIsOnline", nullptr},     {"dvmIsWinPE", nullptr},
                             {"dvmIsFactory", nullptr},    {"dvmIsWindlass", nullptr},
                             {"dvmIsSurveyOnly", nullptr}, {"dvmUseHealthDriver", nullptr}};
};

// Loads the component at `path` and finds its exports. On failure answers nothing and `error` says what
// went wrong (the system's message, or the missing export).
std::optional<ComponentExports> LoadComponent(const std::string& path, std::string& error);

// The text of a document the component returned, which is freed with OruFree; nothing for null.
std::optional<std::string> TakeDocument(char* document);

}  // namespace diaghost
