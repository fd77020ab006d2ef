#include "support/wholefile.h"

#include <algorithm>

#include "platform/os.h"

namespace rb {

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  os::Platform& p = os::Current();
  const win::HANDLE file = p.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::CREATE_ALWAYS,
                                        win::FILE_ATTRIBUTE_NORMAL);
  if (file == win::INVALID_HANDLE_VALUE || file == nullptr) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    win::DWORD put = 0;
    const auto chunk = static_cast<win::DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    if (!p.WriteFile(file, bytes.data() + done, chunk, &put) || put == 0) break;
    done += put;
  }
  const bool closed = p.CloseHandle(file);
  return closed && done == bytes.size();
}

}  // namespace rb
