#include "component/failurelog.h"

#include "platform/os.h"
#include "support/debug.h"
#include "support/runenvironment.h"

namespace rb {

namespace {

// The marker is written beside the host, under the name the command gave: only a plain file name may
// choose where.
bool IsPlainFileName(const std::string& name) {
  return name.find_first_of("/\\:") == std::string::npos && name.find("..") == std::string::npos;
}

}  // namespace

void CreateFailureLogFile(const std::string& component) {
  if (!(IsFactory() && IsDiagsCD()) || component.find(".so") == std::string::npos) return;
  if (!IsPlainFileName(component)) {
    DebugPrint("No failure marker for component \"%s\": not a plain file name\n", component.c_str());
    return;
  }
  const std::string path = ".\\" + component + ".failure.version";
  os::Platform& p = os::Current();
  win::HANDLE existing = p.CreateFile(path, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                      win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  if (existing != win::INVALID_HANDLE_VALUE) {
    p.CloseHandle(existing);
    return;
  }
  win::HANDLE file = p.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::CREATE_ALWAYS,
                                  win::FILE_ATTRIBUTE_NORMAL);
  if (file == win::INVALID_HANDLE_VALUE) return;
  static constexpr char kMarker[] = "<diagVersion>7.9.1.2401A</diagVersion>\n";
  win::DWORD written = 0;
  p.WriteFile(file, kMarker, sizeof kMarker - 1, &written);
  p.CloseHandle(file);
}

}  // namespace rb
