#include "controllers/nvramfile.h"

#include <cctype>

#include "platform/os.h"
#include "support/stringutil.h"

namespace rb {

namespace {

constexpr int kMostBackups = 1000;

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes) {
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '#') {
      while (at < text.size() && text[at] != '\n') ++at;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++at;
    } else {
      std::size_t end = at;
      while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end]))) ++end;
      const std::size_t digits = end - at;
      if (digits == 0 || digits > 2 ||
          (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) && text[end] != '#'))
        return false;
      bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(at, digits), nullptr, 16)));
      at = end;
    }
  }
  return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadNvramFile(const std::string& path) {
  os::Platform& system = os::Current();
  const win::HANDLE file = system.CreateFile(path, win::GENERIC_READ, win::FILE_SHARE_READ,
                                             win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  if (file == win::INVALID_HANDLE_VALUE) return std::nullopt;
  std::string text;
  char chunk[4096];
  win::DWORD read = 0;
  while (system.ReadFile(file, chunk, sizeof chunk, &read) && read > 0) text.append(chunk, read);
  system.CloseHandle(file);
  std::vector<std::uint8_t> bytes;
  if (!ParseHexBytes(text, bytes)) return std::nullopt;
  return bytes;
}

std::string NvramHexLines(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    text += StringPrintf("%02X ", bytes[i]);
    if (i % 16 == 15 || i + 1 == bytes.size()) text += "\n";
  }
  return text;
}

bool WriteNvramFile(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace) {
  os::Platform& system = os::Current();
  const win::HANDLE file =
      system.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, 0,
                        replace ? win::CREATE_ALWAYS : win::CREATE_NEW, win::FILE_ATTRIBUTE_NORMAL);
  if (file == win::INVALID_HANDLE_VALUE) return false;
  const std::string text = NvramHexLines(bytes);
  win::DWORD written = 0;
  const bool ok = system.WriteFile(file, text.data(), static_cast<win::DWORD>(text.size()), &written) &&
                  written == text.size() && system.FlushFileBuffers(file);
  system.CloseHandle(file);
  return ok;
}

std::string KeepNvramImage(const std::string& stem, const std::vector<std::uint8_t>& image) {
  for (int n = 1; n <= kMostBackups; ++n) {
    const std::string path = StringPrintf("%s_%d.txt", stem.c_str(), n);
    if (WriteNvramFile(path, image, false)) return path;
  }
  return {};
}

}  // namespace rb
