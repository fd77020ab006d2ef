#pragma once

#include <string>

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

}  // namespace rb
