#pragma once

// <windows.h> as the win32 backend's sources include it: without the parts they do not use and
// without the min and max macros, which would break the standard library's. Included by .cpp files of
// this folder only, after the seam's headers, whose names some of its macros would rewrite.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
