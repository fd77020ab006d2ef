#pragma once

// The device installer's view of one device class, as Platform::SetupEnumerate gives it, read through
// SetupAPI. Only win32setupenumerate.cpp includes the Windows headers.

#include <vector>

#include "platform/setupdevice.h"
#include "platform/winapi.h"

namespace os {

// The present devices of `setupClass` in the order the device installer lists them, each with its
// instance identifier, the device path of its interface of `interfaceClass` (empty when it has none)
// and the registry properties the component reads, each with the type the registry gives it. Both
// information sets are destroyed whatever happens; on failure the last error says why.
SetupResult Win32SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                                std::vector<SetupDevice>* devices);

}  // namespace os
