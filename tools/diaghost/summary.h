#pragma once

// Responses of the component as a person reads them, and whether they report a failure.

#include <string>

namespace diaghost {

struct XmlNode;

// A readable summary of a response document, ending with a line feed: discovery (idResult), catalog
// (catResult), test results, diagnosis results, errors and the version; other documents as indented XML.
std::string Summarize(const XmlNode& response);

// True when the response reports a failed command: an error document, a test or diagnosis result whose
// currentState is "failed", or a test result that carries an error and no state (a cancel that found no
// device).
bool IsFailure(const XmlNode& response);

// One line saying what failed, for the error stream; meaningful when IsFailure is true.
std::string FailureLine(const XmlNode& response);

}  // namespace diaghost
