#include "platform/libraryname.h"

#include <algorithm>

namespace os {

std::string UnixLibraryFileName(std::string_view windowsName) {
  std::string name(windowsName);
  std::replace(name.begin(), name.end(), '\\', '/');
  const std::size_t slash = name.rfind('/');
  const std::string directory = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
  std::string base = name.substr(directory.size());
  auto endsWithNoCase = [&](std::string_view suffix) {
    if (base.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), base.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b); });
  };
  if (endsWithNoCase(".dll")) return directory + base.substr(0, base.size() - 4) + ".so";
  if (endsWithNoCase(".so") || base.find('.') != std::string::npos) return directory + base;
  return directory + "lib" + base + ".so";
}

}  // namespace os
