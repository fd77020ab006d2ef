// Whole documents as files, plain or scrambled with the component's fixed key.
#include <cstring>
#include <string>

#include "platform/os.h"
#include "support/wholefile.h"
#include "support/xmlcharclass.h"
#include "support/xmlobject.h"
#include "support/xmlparser.h"

namespace rb {
namespace {

constexpr std::string_view kScrambleKey = "q7Z!mR2#vL9$xT4%bN8&cW1*hJ6(pF3)sD0-gK5+yH=uE;wA:eG,oB.iC?jV<tM>rX/";
static_assert(kScrambleKey.size() == 67);

constexpr int kLockAttempts = 10;
constexpr win::DWORD kLockRetryMs = 1000;

// An open file, closed (and unlocked) on every path.
class OpenFile {
 public:
  explicit OpenFile(win::HANDLE handle) : handle_(handle) {}
  ~OpenFile() {
    if (locked_ > 0) os::Current().UnlockFile(handle_, 0, locked_);
    if (valid()) os::Current().CloseHandle(handle_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  bool valid() const { return handle_ != win::INVALID_HANDLE_VALUE && handle_ != nullptr; }
  win::HANDLE handle() const { return handle_; }
  // Locks the whole file against writers, retrying for a while; reading goes ahead without the lock.
  void LockWhole(std::uint64_t length) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
      if (attempt > 0) os::Current().Sleep(kLockRetryMs);
      if (os::Current().LockFile(handle_, 0, length)) {
        locked_ = length;
        return;
      }
    }
  }

 private:
  win::HANDLE handle_;
  std::uint64_t locked_ = 0;
};

// Reads the whole file; false when it cannot be opened, is empty or cannot be read.
bool ReadWholeFile(const std::string& path, std::string& contents) {
  os::Platform& p = os::Current();
  OpenFile file(p.CreateFile(path, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                             win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL));
  if (!file.valid()) return false;
  std::int64_t length = 0;
  if (!p.SetFilePointer(file.handle(), 0, &length, win::FILE_END) || length <= 0) return false;
  if (!p.SetFilePointer(file.handle(), 0, nullptr, win::FILE_BEGIN)) return false;
  file.LockWhole(static_cast<std::uint64_t>(length));
  contents.assign(static_cast<std::size_t>(length), '\0');
  std::size_t done = 0;
  while (done < contents.size()) {
    win::DWORD got = 0;
    const auto chunk = static_cast<win::DWORD>(std::min<std::size_t>(contents.size() - done, 1u << 30));
    if (!p.ReadFile(file.handle(), contents.data() + done, chunk, &got) || got == 0) break;
    done += got;
  }
  contents.resize(done);
  return true;
}

}  // namespace

std::string ScrambleText(std::string_view bytes) {
  const std::size_t zero = bytes.find('\0');
  std::string out(bytes.substr(0, zero));
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) +
                               static_cast<unsigned char>(kScrambleKey[i % kScrambleKey.size()]));
  return out;
}

std::string UnscrambleText(std::string_view bytes) {
  // Every byte counts: scrambling a byte above 127 can give a zero, which must not end the text.
  std::string out(bytes);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) -
                               static_cast<unsigned char>(kScrambleKey[i % kScrambleKey.size()]));
  return out;
}

bool XmlObject::SaveToFile(const std::string& path, bool scrambled) const {
  std::string text = ToString();
  if (scrambled) text = ScrambleText(text);
  WriteWholeFile(path, text);
  return true;
}

bool XmlObject::LoadFromFile(const std::string& path, bool scrambled, bool indexMode, int index) {
  std::string contents;
  if (!ReadWholeFile(path, contents) || contents.empty() || contents[0] == '\0') return false;
  Clear();
  parent_ = nullptr;
  if (scrambled) contents = UnscrambleText(contents);
  // The text ends at a zero byte, and trailing whitespace is not part of it.
  std::string_view text(contents.data(), std::strlen(contents.c_str()));
  while (!text.empty() && IsXmlWhitespace(text.back())) text.remove_suffix(1);
  if (text.empty()) return false;

  if (!indexMode && index < 0) {
    ParseElement(*this, text, nullptr, false, false);
    return true;
  }
  if (indexMode) name_ = "xmlIndex";
  bool appended = false;
  for (int count = 0; !text.empty(); ++count) {
    const bool wanted = index < 0 || count == index;
    if (!indexMode && wanted) {
      ParseElement(*this, text, nullptr, false, false);
      return true;
    }
    XmlObject header;
    const std::size_t used = ParseElement(header, text, nullptr, false, true);
    if (used == kNoElement) break;
    if (indexMode && wanted) {
      AddChild(std::move(header));
      appended = true;
      if (index >= 0) break;
    }
    text.remove_prefix(used);
  }
  return appended;
}

}  // namespace rb
