#pragma once

// Taking a disk for writing on Windows (Platform::HoldDiskForWriting): every volume on the disk is
// locked, which the system refuses while a file is open on it or it is the system's own. Only
// win32diskhold.cpp includes the Windows headers.

#include <string>
#include <vector>

#include "platform/winapi.h"

namespace os {

bool Win32HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                             std::vector<win::HANDLE>* holds);

}  // namespace os
