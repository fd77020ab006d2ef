#pragma once

#include <string>

#include "platform/winapi.h"

namespace rb {

// Loads a library by its Windows name ("strtrans.dll") through the OS seam. Raises std::runtime_error
// "LoadLibrary <name> failed: rc=<last error in decimal>" when it cannot be loaded; never answers null.
win::HMODULE LoadLibraryOrThrow(const std::string& name);

}  // namespace rb
