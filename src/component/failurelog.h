#pragma once

#include <string>

namespace rb {

// In the factory run on the diagnostics CD, a failure of a component whose name contains ".so" leaves
// the marker file ".\<component>.failure.version" for the production line; an existing marker is kept.
// A name with a path separator, a drive colon or ".." writes nothing (traced).
void CreateFailureLogFile(const std::string& component);

}  // namespace rb
