#include "platform/sim/simmachine.h"

#include <stdexcept>
#include <utility>

#include "platform/os.h"
#include "support/stringutil.h"

namespace os {

namespace {

[[noreturn]] void Reject(const std::string& path, const std::string& problem) {
  throw MachineError("machine description '" + path + "': " + problem);
}

// The whole file, read through the native backend: the process-wide backend may be the very machine
// being loaded.
std::string ReadDescription(const std::string& path) {
  Platform& native = Native();
  const win::HANDLE file = native.CreateFile(path, win::GENERIC_READ, win::FILE_SHARE_READ,
                                             win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  if (file == win::INVALID_HANDLE_VALUE)
    Reject(path, "cannot open (error " + std::to_string(native.GetLastError()) + ")");
  std::string text;
  char chunk[16384];
  win::DWORD read = 0;
  bool ok = true;
  while ((ok = native.ReadFile(file, chunk, sizeof chunk, &read)) && read > 0) text.append(chunk, read);
  const win::DWORD error = ok ? win::ERROR_SUCCESS : native.GetLastError();
  native.CloseHandle(file);
  if (!ok) Reject(path, "cannot read (error " + std::to_string(error) + ")");
  return text;
}

}  // namespace

SimMachine::SimMachine(std::string path, rb::XmlObject description)
    : path_(std::move(path)), description_(std::move(description)) {}

SimMachine SimMachine::Load(const std::string& path) {
  const std::string text = ReadDescription(path);
  if (text.empty()) Reject(path, "the file is empty");
  rb::XmlObject root;
  try {
    root = rb::XmlObject(text);
  } catch (const std::runtime_error& error) {
    Reject(path, error.what());
  }
  if (root.Name().empty()) Reject(path, "there is no root element");
  if (!rb::EqualsNoCase(root.Name(), "machine"))
    Reject(path, "the root element is '" + root.Name() + "', not 'machine'");
  return SimMachine(path, std::move(root));
}

}  // namespace os
