#include "platform/codepage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <vector>

namespace os {

#ifdef _WIN32

std::string CodePage932ToUtf8(const std::string& text) {
  if (text.empty()) return text;
  const int wide = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wide <= 0) return text;
  std::vector<wchar_t> utf16(static_cast<std::size_t>(wide));
  MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), utf16.data(), wide);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return text;
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

#else

std::string CodePage932ToUtf8(const std::string& text) {
  const iconv_t converter = iconv_open("UTF-8", "CP932");
  if (converter == reinterpret_cast<iconv_t>(-1)) return text;
  // A CP932 character of one or two bytes becomes at most three UTF-8 bytes.
  std::vector<char> out(text.size() * 3 + 1);
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* next = out.data();
  std::size_t outLeft = out.size();
  const std::size_t result = iconv(converter, &in, &inLeft, &next, &outLeft);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1)) return text;
  return std::string(out.data(), next);
}

#endif

}  // namespace os
