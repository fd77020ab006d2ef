#include "support/catalog.h"

#include <atomic>
#include <memory>

#include "platform/os.h"
#include "support/libraryloader.h"
#include "support/oruerror.h"

namespace rb {
namespace {

// Null until the first successful load, then kept for the life of the process. Two threads racing for
// the first load may both load the library; either handle serves.
std::atomic<win::HMODULE> library{nullptr};

win::HMODULE Library() {
  if (win::HMODULE held = library.load(std::memory_order_acquire)) return held;
  try {
    win::HMODULE loaded = LoadLibraryOrThrow(catalogabi::kLibraryName);
    library.store(loaded, std::memory_order_release);
    return loaded;
  } catch (...) {
    return nullptr;  // the next use tries again
  }
}

// The entry point `name` of the library, looked up afresh; null when the library or the name is missing.
template <typename Function>
Function EntryPoint(const char* name) {
  win::HMODULE module = Library();
  if (module == nullptr) return nullptr;
  try {
    return reinterpret_cast<Function>(os::Current().GetProcAddress(module, name));
  } catch (...) {
    return nullptr;
  }
}

struct OruFreeDeleter {
  void operator()(char* text) const { OruFree(text); }
};

// Copies a text the library allocated and releases it; `fallback` when the library answered null.
std::string TakeText(char* answer, const std::string& fallback) {
  const std::unique_ptr<char, OruFreeDeleter> owned(answer);
  return owned ? std::string(owned.get()) : fallback;
}

}  // namespace

int AddCatalog(const std::string& name) {
  const auto add = EntryPoint<catalogabi::AddCatalogFunction>(catalogabi::kAddCatalog);
  return add != nullptr ? add(name.c_str()) : 0;
}

void OruErrorCrossRef(OruError& error, const std::string& source, const std::string& category) {
  const auto crossRef = EntryPoint<catalogabi::OruErrorCrossRefFunction>(catalogabi::kOruErrorCrossRef);
  if (crossRef != nullptr) crossRef(&error, source.c_str(), category.c_str());
}

std::string Translate(const std::string& text) {
  const auto translate = EntryPoint<catalogabi::TranslateFunction>(catalogabi::kTranslate);
  return translate != nullptr ? TakeText(translate(text.c_str()), text) : text;
}

std::string GetLanguageCode() {
  const auto languageCode = EntryPoint<catalogabi::GetLanguageCodeFunction>(catalogabi::kGetLanguageCode);
  return languageCode != nullptr ? TakeText(languageCode(), std::string()) : std::string();
}

void ForgetCatalogLibraryForTesting() {
  library.store(nullptr, std::memory_order_release);
}

}  // namespace rb
