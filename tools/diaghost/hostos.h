#pragma once

// The few operating-system calls of the host, behind one small interface: loading a library and finding
// its functions by name, the directory of the running program, setting an environment variable for the
// component, and asking whether a stream is a terminal. hostos.cpp holds the only OS-specific code.

#include <cstdio>
#include <string>

namespace diaghost {

// The component's file name on this system.
extern const char* const kComponentFileName;

// A loaded library. Never unloaded: the component may still hold threads or callbacks when the program
// ends, so the operating system tears it down with the process.
class Library {
 public:
  // Loads the library at `path`; on failure `error` receives the system's explanation and the result is
  // not loaded.
  static Library Open(const std::string& path, std::string& error);

  bool Loaded() const { return handle_ != nullptr; }
  // The address of the exported function `name`, or null.
  void* Find(const char* name) const;

 private:
  explicit Library(void* handle) : handle_(handle) {}
  void* handle_ = nullptr;
};

// The directory holding the running program, with a trailing separator; empty when it cannot be found.
std::string ExecutableDirectory();

// Sets `name` to `value` in this process's environment; false on failure.
bool SetEnvironment(const std::string& name, const std::string& value);

// True when `stream` is attached to a terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace diaghost
