// Whole documents as files, plain or scrambled with the component's fixed key.
#include <cstring>
#include <string>

#include "support/wholefile.h"
#include "support/xmlcharclass.h"
#include "support/xmlobject.h"
#include "support/xmlparser.h"

namespace rb {
namespace {

constexpr std::string_view kScrambleKey = "q7Z!mR2#vL9$xT4%bN8&cW1*hJ6(pF3)sD0-gK5+yH=uE;wA:eG,oB.iC?jV<tM>rX/";
static_assert(kScrambleKey.size() == 67);

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

bool XmlObject::LoadFromFile(const std::string& path, bool scrambled, bool indexMode, int index,
                             std::uint64_t maxBytes) {
  WholeFile file = ReadWholeFile(path, maxBytes, true);
  std::string& contents = file.bytes;
  if (file.status != WholeFile::Status::kRead || contents.empty() || contents[0] == '\0') return false;
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
