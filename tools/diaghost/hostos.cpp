#include "hostos.h"

#ifdef _WIN32
#include <io.h>
#include <stdlib.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#endif

namespace diaghost {

#ifdef _WIN32

const char* const kComponentFileName = "ravelbank.dll";

namespace {
std::string LastErrorText() {
  const DWORD code = GetLastError();
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length > 0 ? std::string(buffer, length) : "error " + std::to_string(code);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}
}  // namespace

Library Library::Open(const std::string& path, std::string& error) {
  // A bare file name would be looked for along the search path; the user means the current directory.
  const std::string file = path.find_first_of("\\/") == std::string::npos ? std::string(".\\") + path : path;
  HMODULE module = LoadLibraryA(file.c_str());
  if (module == nullptr) error = LastErrorText();
  return Library(reinterpret_cast<void*>(module));
}

void* Library::Find(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string ExecutableDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return {};
  std::string directory(path, length);
  const std::size_t slash = directory.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
}

bool SetEnvironment(const std::string& name, const std::string& value) {
  return _putenv_s(name.c_str(), value.c_str()) == 0;
}

bool IsTerminal(std::FILE* stream) {
  return _isatty(_fileno(stream)) != 0;
}

#else

const char* const kComponentFileName = "ravelbank.so";

Library Library::Open(const std::string& path, std::string& error) {
  // RTLD_LOCAL: the component's symbols stay out of the global namespace, as in any plug-in host.
  // A bare file name would be looked for along the library path; the user means the current directory.
  const std::string file = path.find('/') == std::string::npos ? std::string("./") + path : path;
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "cannot load " + path;
  }
  return Library(handle);
}

void* Library::Find(const char* name) const {
  return handle_ == nullptr ? nullptr : dlsym(handle_, name);
}

std::string ExecutableDirectory() {
  std::error_code failed;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (failed || !self.has_parent_path()) return {};
  return self.parent_path().string() + "/";
}

bool SetEnvironment(const std::string& name, const std::string& value) {
  return setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) != 0;
}

#endif

}  // namespace diaghost
