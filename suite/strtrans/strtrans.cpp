// The message-catalog library of the diagnostics suite: strtrans.so / strtrans.dll. It exports exactly
// AddCatalog, Translate, OruErrorCrossRef and GetLanguageCode (see rb::catalogabi in
// src/support/catalog.h) and reads its catalogs from catalogs/<language>/<name>.xml beside itself
// (format in messagecatalog.h). The language is the environment variable RAVELBANK_LANG, read at each
// call: a code such as "de" or "ja"; unset, empty or not a plain name, it is "en".
//
// Catalogs are kept per language in the order they were added, for the life of the library, behind
// one mutex. Texts handed back are OruAlloc blocks the caller releases with OruFree. No exception
// leaves an entry point.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "messagecatalog.h"
#include "ravelbank/host.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"

extern "C" {
RAVELBANK_HOST_EXPORT int RAVELBANK_HOST_CALL AddCatalog(const char* name);
RAVELBANK_HOST_EXPORT void RAVELBANK_HOST_CALL OruErrorCrossRef(rb::OruError* error, const char* source,
                                                                const char* category);
RAVELBANK_HOST_EXPORT char* RAVELBANK_HOST_CALL Translate(const char* text);
RAVELBANK_HOST_EXPORT char* RAVELBANK_HOST_CALL GetLanguageCode(void);
}

static_assert(std::is_same_v<decltype(&AddCatalog), rb::catalogabi::AddCatalogFunction>);
static_assert(std::is_same_v<decltype(&OruErrorCrossRef), rb::catalogabi::OruErrorCrossRefFunction>);
static_assert(std::is_same_v<decltype(&Translate), rb::catalogabi::TranslateFunction>);
static_assert(std::is_same_v<decltype(&GetLanguageCode), rb::catalogabi::GetLanguageCodeFunction>);

namespace rb {
// The component's XML parser traces through DebugPrint. The catalog library has no trace channel, and
// defining the function here keeps the component's debug channel, and the OS seam behind it, out of
// the link.
int DebugPrint(const char*, ...) {
  return 0;
}
}  // namespace rb

namespace {

constexpr const char* kLanguageVariable = "RAVELBANK_LANG";
constexpr const char* kDefaultLanguage = "en";

std::mutex catalogsLock;
std::vector<strtrans::MessageCatalog> catalogs;  // guarded by catalogsLock

// Language codes and catalog names become parts of a file path: letters, digits, '-' and '_' only.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
  });
}

std::optional<std::string> Environment(const char* name) {
#ifdef _WIN32
  // The process environment itself, which the host may change after the run-time library started.
  char value[256];
  const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
  if (length == 0 || length >= sizeof value) return std::nullopt;
  return std::string(value, length);
#else
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
#endif
}

std::string LanguageCode() {
  const std::optional<std::string> language = Environment(kLanguageVariable);
  return language && IsPlainName(*language) ? *language : kDefaultLanguage;
}

// The directory this library was loaded from, with its trailing separator; empty when unknown.
std::string LibraryDirectory() {
#ifdef _WIN32
  HMODULE self = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&LibraryDirectory), &self))
    return {};
  char path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  const std::string file(path, length);
  const std::size_t separator = file.find_last_of("\\/");
#else
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 || info.dli_fname == nullptr)
    return {};
  const std::string file = info.dli_fname;
  const std::size_t separator = file.rfind('/');
#endif
  return separator == std::string::npos ? std::string() : file.substr(0, separator + 1);
}

std::optional<std::string> ReadCatalogFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return content.str();
}

bool IsLoaded(const std::string& language, const std::string& name) {
  return std::any_of(catalogs.begin(), catalogs.end(), [&](const strtrans::MessageCatalog& catalog) {
    return catalog.Language() == language && catalog.Name() == name;
  });
}

// A new zero-terminated OruAlloc copy of `text`; null when the host allocator has no block.
char* HostCopy(std::string_view text) {
  auto* copy = static_cast<char*>(OruAlloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

}  // namespace

extern "C" {

int AddCatalog(const char* name) {
  try {
    if (name == nullptr || !IsPlainName(name)) return 0;
    const std::string language = LanguageCode();
    {
      const std::lock_guard lock(catalogsLock);
      if (IsLoaded(language, name)) return 1;
    }
    const std::optional<std::string> document =
        ReadCatalogFile(LibraryDirectory() + "catalogs/" + language + "/" + name + ".xml");
    if (!document) return 0;
    strtrans::MessageCatalog catalog = strtrans::MessageCatalog::Parse(*document, name, language);
    const std::lock_guard lock(catalogsLock);
    if (!IsLoaded(language, name)) catalogs.push_back(std::move(catalog));
    return 1;
  } catch (...) {
    return 0;  // unreadable or malformed: nothing is loaded
  }
}

void OruErrorCrossRef(rb::OruError* error, const char* source, const char* category) {
  if (error == nullptr) return;
  try {
    const char* message = error->MessageText();
    if (message == nullptr) return;
    const std::string language = LanguageCode();
    std::optional<strtrans::MessageCatalog::Error> found;
    {
      const std::lock_guard lock(catalogsLock);
      for (const strtrans::MessageCatalog& catalog : catalogs) {
        if (catalog.Language() != language) continue;
        if (const auto* entry =
                catalog.ErrorEntryFor(message, source ? source : "", category ? category : "")) {
          found = *entry;
          break;
        }
      }
    }
    // The error builds its own strings; it is called outside the lock.
    if (found)
      error->SetCrossReference(found->code.c_str(),
                               found->repairAction ? found->repairAction->c_str() : nullptr);
  } catch (...) {
  }
}

char* Translate(const char* text) {
  if (text == nullptr) return nullptr;
  try {
    const std::string language = LanguageCode();
    const std::lock_guard lock(catalogsLock);
    for (const strtrans::MessageCatalog& catalog : catalogs) {
      if (catalog.Language() != language) continue;
      if (const std::string* translation = catalog.TranslationOf(text)) return HostCopy(*translation);
    }
    return HostCopy(text);
  } catch (...) {
    return nullptr;
  }
}

char* GetLanguageCode(void) {
  try {
    return HostCopy(LanguageCode());
  } catch (...) {
    return nullptr;
  }
}

}  // extern "C"
