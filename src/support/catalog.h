#pragma once

#include <string>

#include "ravelbank/host.h"

namespace rb {

class OruError;

// The optional message-catalog library ("strtrans.dll"), loaded on first use and kept for the life of
// the process. Every call degrades silently when the library or its entry point is missing.

// Registers a catalog; answers the library's result, 0 without the library.
int AddCatalog(const std::string& name);
// Lets the library fill the error's code and repair action; without it the error keeps "000000".
void OruErrorCrossRef(OruError& error, const std::string& source, const std::string& category);
// The text in the operator's language; unchanged without the library.
std::string Translate(const std::string& text);
// "ja", "fr", "it", "de", "es", ...; empty without the library.
std::string GetLanguageCode();

// Tests only: forgets the loaded library so that the next call loads it again through the current OS
// backend. The library itself stays mapped in the process.
void ForgetCatalogLibraryForTesting();

// The library's entry points, looked up by these names on every call. Texts are zero-terminated; the
// texts the library answers are new OruAlloc blocks that the caller releases with OruFree (null when
// the library has nothing to answer). The library reads the error's message only through
// OruError::MessageText and sets code and repair action only through OruError::SetCrossReference, so
// that every string of the error is built by the component.
namespace catalogabi {
inline constexpr const char* kLibraryName = "strtrans.dll";
inline constexpr const char* kAddCatalog = "AddCatalog";
inline constexpr const char* kOruErrorCrossRef = "OruErrorCrossRef";
inline constexpr const char* kTranslate = "Translate";
inline constexpr const char* kGetLanguageCode = "GetLanguageCode";

extern "C" {
// 1 when the catalog was loaded (or already was), 0 otherwise.
typedef int(RAVELBANK_HOST_CALL* AddCatalogFunction)(const char* name);
typedef void(RAVELBANK_HOST_CALL* OruErrorCrossRefFunction)(OruError* error, const char* source,
                                                            const char* category);
typedef char*(RAVELBANK_HOST_CALL* TranslateFunction)(const char* text);
typedef char*(RAVELBANK_HOST_CALL* GetLanguageCodeFunction)(void);
}
}  // namespace catalogabi

}  // namespace rb
