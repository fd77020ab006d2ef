#pragma once

#include <string>
#include <string_view>

namespace os {

// The file a Windows library name stands for on a Unix-like system: "strtrans.dll" -> "strtrans.so",
// "testdll.DLL" -> "testdll.so", a name without extension such as "qlsdm" -> "libqlsdm.so". A name with
// a directory part keeps it (backslashes become slashes).
std::string UnixLibraryFileName(std::string_view windowsName);

}  // namespace os
