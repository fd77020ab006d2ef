#pragma once

// One query of the management instrumentation through COM, as Platform::WmiQuery gives it. Only
// win32wmiquery.cpp includes the Windows headers.

#include <string>
#include <vector>

#include "platform/wmirow.h"

namespace os {

// Runs a WQL query in a namespace ("\\.\root\cimv2") and replaces `rows` with each instance's own
// properties as text: strings in the ANSI code page, integers in decimal, booleans as "TRUE" or
// "FALSE"; null properties and arrays are left out. False, with no rows, when COM, the service or the
// namespace cannot be reached, or when the service rejects the query. COM is initialised for the call
// when the thread has not done so, and released again.
bool Win32WmiQuery(const std::string& nameSpace, const std::string& query, std::vector<WmiRow>* rows);

}  // namespace os
