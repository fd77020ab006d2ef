// A single-pass scanner for the subset of XML the component's documents use: elements, attributes in
// either quote character, character data with the fixed entity references, nesting comments,
// processing instructions and the XML declaration. Each call parses exactly one element.
//
// The scanner is defined byte by byte: every byte counts one position (LF starts a new line), comment
// delimiters are recognised before anything else wherever they stand, and then the byte acts on the
// state of the element. Most bytes change nothing but the counters (indentation, the inside of names,
// values, text and comments), so each state passes over a run of such bytes in a tight loop, stopping at
// the next byte that matters; the result, counters included, is the same as one byte per pass.
#include "support/xmlparser.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "support/debug.h"
#include "support/stringutil.h"
#include "support/xmlcharclass.h"
#include "support/xmlescape.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

// Line and position of error messages. A root parse restarts them; nested calls share them. They are
// per thread, so that parses on different threads (prompt answers on worker threads) never mix.
struct Counters {
  std::int32_t line = 0;
  std::int32_t position = 0;
};
thread_local Counters tCounters;

// How deeply elements may nest below the root. The scanner recurses once per level, as do copying,
// writing and destroying a tree: a text nested deeper than any document of the component (a few levels)
// ends in the parse error instead of overflowing the stack of the host's thread. A thread with 1 MB of
// stack, the Windows default, has room for many times this depth.
constexpr std::size_t kMostNestedLevels = 256;

// A syntax error inside one call, turned into the runtime error by that same call.
struct SyntaxError {
  std::string text;
};

// What a byte means to the scanner.
enum : std::uint16_t {
  kDelimiter = 0x01,  // '<', '-', '>': may start a comment delimiter; '>' ends a tag
  kSpace = 0x02,      // whitespace
  kNewline = 0x04,    // LF
  kEquals = 0x08,
  kSlash = 0x10,
  kApostrophe = 0x20,
  kQuotation = 0x40,
  kControl = 0x80,  // not an XML character
  kAmpersand = 0x100,
  kBlank = 0x200,  // whitespace other than LF
};

constexpr std::array<std::uint16_t, 256> MakeScanClass() {
  std::array<std::uint16_t, 256> table{};
  for (std::size_t b = 0; b < table.size(); ++b) {
    const std::uint8_t xml = XmlByteClass(static_cast<unsigned char>(b));
    std::uint16_t bits = 0;
    if (xml & kXmlWhitespace) bits |= b == '\n' ? kSpace : kSpace | kBlank;
    if (!(xml & kXmlChar)) bits |= kControl;
    switch (b) {
      case '<':
      case '-':
      case '>':
        bits |= kDelimiter;
        break;
      case '\n':
        bits |= kNewline;
        break;
      case '=':
        bits |= kEquals;
        break;
      case '/':
        bits |= kSlash;
        break;
      case '\'':
        bits |= kApostrophe;
        break;
      case '"':
        bits |= kQuotation;
        break;
      case '&':
        bits |= kAmpersand;
        break;
      default:
        break;
    }
    table[b] = bits;
  }
  return table;
}
constexpr std::array<std::uint16_t, 256> kScanClass = MakeScanClass();

inline std::uint16_t ClassOf(char c) {
  return kScanClass[static_cast<unsigned char>(c)];
}

// Counts one byte: LF starts a new line, and every byte is one more position.
inline void Count(Counters& k, char c) {
  if (c == '\n') {
    ++k.line;
    k.position = 0;
  }
  ++k.position;
}

bool StartsWith(const char* p, const char* end, std::string_view s) {
  return static_cast<std::size_t>(end - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
}

// The first byte from c whose class has a bit of `Bits` (Wanted) or has none of them (!Wanted); end
// when there is none. `fence` is one past the text's last '<', '-' or '>', a byte that ends every run:
// before it, the end of the text need not be watched.
template <std::uint16_t Bits, bool Wanted>
const char* Find(const char* c, const char* end, const char* fence) {
  static_assert(((Bits & kDelimiter) != 0) == Wanted, "a delimiter must end the run");
  if (c < fence) {
    while (((ClassOf(*c) & Bits) != 0) != Wanted) ++c;
    return c;
  }
  while (c < end && ((ClassOf(*c) & Bits) != 0) != Wanted) ++c;
  return c;
}

// Passes over the bytes before the one Find<Bits, Wanted> stops at, counting each, and answers that
// byte (or the end). An LF it stops at goes on the run as a new line unless LF ends the run.
template <std::uint16_t Bits, bool Wanted, bool NewlineEnds>
const char* PassOverRun(const char* c, const char* end, const char* fence, Counters& k) {
  std::int32_t line = k.line;
  std::int32_t position = k.position;
  while (true) {
    const char* run = c;
    c = Find<Bits, Wanted>(c, end, fence);
    position += static_cast<std::int32_t>(c - run);
    if (NewlineEnds || c == end || *c != '\n') break;
    ++line;
    position = 1;
    ++c;
  }
  k.line = line;
  k.position = position;
  return c;
}

// Passes over bytes of none of the classes in `Stop`, counting each, and answers the first byte of one
// of them (or the end).
template <std::uint16_t Stop>
const char* PassOver(const char* c, const char* end, const char* fence, Counters& k) {
  return PassOverRun<Stop | kNewline, true, (Stop & kSpace) != 0>(c, end, fence, k);
}

// Passes over whitespace (and bytes of the classes in `Also`), counting each.
template <std::uint16_t Also = 0>
const char* PassOverSpace(const char* c, const char* end, const char* fence, Counters& k) {
  return PassOverRun<kBlank | Also, false, false>(c, end, fence, k);
}

// Asks for the memory of an element about to be written, so that writing it later does not wait.
void PrefetchForWrite(const XmlObject* e) {
  const char* p = reinterpret_cast<const char*>(e);
  for (std::size_t at = 0; at < sizeof(XmlObject); at += 64) __builtin_prefetch(p + at, 1);
}

// Whether a comment opener or closer starts at c.
bool AtCommentDelimiter(const char* c, const char* end) {
  return (*c == '<' && StartsWith(c, end, "<!--")) || (*c == '-' && StartsWith(c, end, "-->"));
}

bool IsPunctuation(unsigned char b) {
  return (b >= 33 && b <= 47) || (b >= 58 && b <= 64) || (b >= 91 && b <= 96) || (b >= 123 && b <= 126);
}

// Names may not start with a digit or ASCII punctuation, and may not be "xml" in any case.
bool IsValidName(std::string_view name) {
  if (!name.empty()) {
    const auto first = static_cast<unsigned char>(name.front());
    if ((first >= '0' && first <= '9') || IsPunctuation(first)) return false;
  }
  return !EqualsNoCase(name, "xml");
}

const char* FindIn(const char* from, const char* end, std::string_view s) {
  const std::string_view hay(from, static_cast<std::size_t>(end - from));
  const std::size_t at = hay.find(s);
  return at == std::string_view::npos ? nullptr : from + at;
}

std::string_view Between(const char* from, const char* to) {
  return std::string_view(from, static_cast<std::size_t>(to - from));
}

// An attribute of the open start tag, as it stands in the text; the element gets its attributes when
// the tag is closed, in one list of the right size.
struct PendingAttribute {
  std::string_view name;
  std::string_view value;  // raw, cut at its first byte that is not an XML character
  bool escaped;            // holds '&', to be unescaped
};

// Attribute names compared and hashed with A to Z folded, as the parser tells attributes apart.
struct FoldedNameHash {
  std::size_t operator()(std::string_view name) const {
    std::size_t hash = 14695981039346656037ull;
    for (const char c : name)
      hash = (hash ^ static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c)) * 1099511628211ull;
    return hash;
  }
};
struct FoldedNameEqual {
  bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};

// What the calls of one parse share.
struct ParseScratch {
  ParseScratch(const char* begin, const char* end) : fence(end) {
    while (fence > begin && !(ClassOf(fence[-1]) & kDelimiter)) --fence;
  }

  const char* fence;  // see Find
  std::vector<PendingAttribute> attributes;
  // Where each name of `attributes` stands, once a tag has more than a few (see AddAttribute).
  std::unordered_map<std::string_view, std::size_t, FoldedNameHash, FoldedNameEqual> attributeIndex;
  // By nesting level below the parse's root: how many children the last element finished there had,
  // the first guess at the room its next element needs for children.
  std::vector<std::size_t> childrenAtLevel;
};

}  // namespace

class XmlParser {
 public:
  // A parse of `element` (a root when `root` is set: the counters restart) at `level` below the
  // parse's root.
  XmlParser(XmlObject& element, const char* begin, const char* end, bool root, bool lenient, bool headerOnly,
            ParseScratch& scratch, std::size_t level = 0)
      : e_(&element),
        begin_(begin),
        end_(end),
        root_(root),
        lenient_(lenient),
        headerOnly_(headerOnly),
        level_(level),
        fence_(scratch.fence),
        counters_(tCounters),
        pending_(scratch.attributes),
        scratch_(scratch) {}

  const char* Run() {
    if (root_) {
      counters_.line = 1;
      counters_.position = 0;
    }
    try {
      Scan();
    } catch (const SyntaxError& error) {
      StoreAttributes();
      Raise(error.text);
    } catch (...) {
      StoreAttributes();
      throw;
    }
    NoteChildren();
    return elementEnd_;
  }

 private:
  // Where the scan stands inside the start tag.
  enum class Tag {
    kBeforeName,
    kName,
    kBeforeAttribute,
    kAttributeName,
    kBeforeEquals,
    kBeforeQuote,
    kValue,
    kPassOver,  // attributes of a nested element in a header-only walk
  };

  void Scan() {
    const char* c = begin_;
    while (c < end_ && elementEnd_ == nullptr) {
      Count(counters_, *c);
      if (*c == '<' && StartsWith(c, end_, "<!--")) {
        ++delimiters_;
        ++commentDepth_;
        c += 4;
        counters_.position += 4;
        continue;
      }
      if (*c == '-' && StartsWith(c, end_, "-->")) {
        ++delimiters_;
        --commentDepth_;
        c += 3;
        counters_.position += 3;
        continue;
      }
      if (commentDepth_ > 0) {
        c = PassOver<kDelimiter>(c + 1, end_, fence_, counters_);
      } else if (start_ == nullptr) {
        c = BeforeStart(c);
      } else if (!tagClosed_) {
        c = StartTag(c);
      } else {
        c = Content(c);
      }
    }
    if (start_ != nullptr && elementEnd_ == nullptr) throw SyntaxError{"Missing end tag: " + e_->name_};
  }

  // Whitespace, processing instructions and the declaration before the element's '<'.
  const char* BeforeStart(const char* c) {
    if (IsXmlWhitespace(*c)) return PassOverSpace(c + 1, end_, fence_, counters_);
    if (*c != '<') throw SyntaxError{"Left angle bracket character expected"};
    if (c + 1 < end_ && c[1] == '?') {
      const char* close = FindIn(c, end_, "?>");
      if (close == nullptr) throw SyntaxError{"Missing end tag: <?"};
      const std::string_view s = Between(c, close);
      if (s.size() > 5 && CompareNoCase(s, "<?xml", 5) == 0 && IsXmlWhitespace(s[5])) {
        ReadDeclaration(s.substr(5));
      } else {
        std::string instruction(s);
        instruction.append("?>");
        e_->instructions_.push_back(std::move(instruction));
      }
      return close + 2;
    }
    start_ = c;
    return c + 1;
  }

  // The declaration's pseudo-attributes go through the attribute rules in a root parse of their own.
  void ReadDeclaration(std::string_view pseudoAttributes) {
    std::string text = "<d";
    text.append(pseudoAttributes);
    text.append("/>");
    XmlObject declaration;
    ParseScratch scratch(text.data(), text.data() + text.size());
    XmlParser(declaration, text.data(), text.data() + text.size(), true, lenient_, false, scratch).Run();
    e_->declaration_ = std::move(declaration.attributes_);
  }

  void CloseAngle(const char* c) {
    if (!tagClosed_) {
      if (tag_ == Tag::kName) {
        e_->name_.assign(nameStart_, c[-1] == '/' ? c - 1 : c);
        if (!IsValidName(e_->name_)) throw SyntaxError{"Invalid tag name"};
      }
      tagClosed_ = true;
      StoreAttributes();
    }
    if (c[-1] == '/') elementEnd_ = c + 1;
  }

  // The start tag from the (counted) byte at c, which does not start a comment delimiter: the tag name,
  // then attributes, up to the '>' that closes the tag. Each case acts on one byte, then passes over the
  // bytes that leave the new state as it is. Answers the next byte to count: the one after the '>', a
  // comment delimiter, or the end.
  const char* StartTag(const char* c) {
    Counters k = counters_;  // kept in registers here; written back on the way out
    while (true) {
      if (*c == '>') {
        counters_ = k;
        CloseAngle(c);
        return c + 1;
      }
      // Where a case goes on with the next byte at once ([[fallthrough]]), that byte is counted as the
      // end of the loop would count it, and it is neither '>' nor a delimiter.
      switch (tag_) {
        case Tag::kBeforeName:
          if (IsXmlWhitespace(*c)) {
            c = PassOverSpace(c + 1, end_, fence_, k);
            break;
          }
          nameStart_ = c;
          tag_ = Tag::kName;
          c = PassOver<kDelimiter | kSpace>(c + 1, end_, fence_, k);
          if (c == end_ || !IsXmlWhitespace(*c)) break;
          Count(k, *c);
          [[fallthrough]];
        case Tag::kName:
          if (!IsXmlWhitespace(*c)) {
            c = PassOver<kDelimiter | kSpace>(c + 1, end_, fence_, k);
            break;
          }
          e_->name_.assign(nameStart_, c);
          if (!IsValidName(e_->name_)) Fail(k, "Invalid tag name: " + e_->name_);
          if (!root_ && headerOnly_) {  // a header-only walk passes over the attributes of nested elements
            tag_ = Tag::kPassOver;
            c = PassOver<kDelimiter>(c + 1, end_, fence_, k);
            break;
          }
          tag_ = Tag::kBeforeAttribute;
          c = PassOverSpace<kSlash>(c + 1, end_, fence_, k);
          if (c == end_ || (ClassOf(*c) & kDelimiter)) break;
          ++k.position;  // not LF: the run above took those
          [[fallthrough]];
        case Tag::kBeforeAttribute:
          if (IsXmlWhitespace(*c) || *c == '/') {
            c = PassOverSpace<kSlash>(c + 1, end_, fence_, k);
            break;
          }
          attrNameStart_ = c;
          tag_ = Tag::kAttributeName;
          c = PassOver<kDelimiter | kSpace | kEquals>(c + 1, end_, fence_, k);
          // An attribute mostly goes on with '=', a quote, the value and the same quote, each taken by
          // the next case at once.
          if (c == end_ || *c != '=') break;
          ++k.position;
          [[fallthrough]];
        case Tag::kAttributeName:
          if (!IsXmlWhitespace(*c) && *c != '=') {
            c = PassOver<kDelimiter | kSpace | kEquals>(c + 1, end_, fence_, k);
            break;
          }
          attrName_ = Between(attrNameStart_, c);
          if (!lenient_ && !IsValidName(attrName_))
            Fail(k, "Invalid attribute name: " + std::string(attrName_));
          if (*c != '=') {
            tag_ = Tag::kBeforeEquals;
            c = PassOverSpace(c + 1, end_, fence_, k);
            break;
          }
          tag_ = Tag::kBeforeQuote;
          ++c;
          if (c == end_ || (*c != '"' && *c != '\'')) {
            c = PassOverSpace(c, end_, fence_, k);
            break;
          }
          ++k.position;
          [[fallthrough]];
        case Tag::kBeforeQuote:
          if (IsXmlWhitespace(*c)) {
            c = PassOverSpace(c + 1, end_, fence_, k);
            break;
          }
          if (*c != '\'' && *c != '"') {
            Fail(k, std::string("Single or double quote expected: ") + *c +
                        " attribute: " + std::string(attrName_) + " tag value: " + e_->name_ + "\n\n\n");
          }
          quote_ = c;
          valueMarks_ = 0;
          delimitersAtQuote_ = delimiters_;
          tag_ = Tag::kValue;
          c = PassOverValue(c + 1, k);
          if (c == end_ || *c != *quote_) break;
          ++k.position;
          [[fallthrough]];
        case Tag::kValue:
          if (*c != *quote_) {
            valueMarks_ |= ClassOf(*c);
            c = PassOverValue(c + 1, k);
            break;
          }
          AddAttribute(c);
          tag_ = Tag::kBeforeAttribute;
          c = PassOverSpace<kSlash>(c + 1, end_, fence_, k);
          break;
        case Tag::kBeforeEquals:
          if (!IsXmlWhitespace(*c)) {
            if (*c != '=') {
              Fail(k, std::string("Equal chracter expected: ") + *c +
                          " attribute value: " + std::string(attrName_) + " tag value: " + e_->name_);
            }
            tag_ = Tag::kBeforeQuote;
          }
          c = PassOverSpace(c + 1, end_, fence_, k);
          break;
        case Tag::kPassOver:
          c = PassOver<kDelimiter>(c + 1, end_, fence_, k);
          break;
      }
      if (c == end_ || AtCommentDelimiter(c, end_)) break;
      Count(k, *c);
    }
    counters_ = k;
    return c;
  }

  [[noreturn]] void Fail(const Counters& k, std::string text) {
    counters_ = k;
    throw SyntaxError{std::move(text)};
  }

  // A value's run also stops at '&' and at bytes that are not XML characters, for valueMarks_.
  const char* PassOverValue(const char* c, Counters& k) {
    return *quote_ == '"' ? PassOver<kDelimiter | kQuotation | kAmpersand | kControl>(c, end_, fence_, k)
                          : PassOver<kDelimiter | kApostrophe | kAmpersand | kControl>(c, end_, fence_, k);
  }

  // The value ends at `close`, its closing quote. A stored value ends at its first byte that is not an
  // XML character, comments inside the value included; no entity reference holds such a byte, so
  // cutting the raw value there before unescaping it cuts the unescaped value at the same place. A
  // repeated name replaces the earlier value.
  void AddAttribute(const char* close) {
    const char* valueStart = quote_ + 1;
    const char* valueEnd = close;
    std::uint16_t marks = valueMarks_;
    if (marks & kControl || delimiters_ != delimitersAtQuote_) {
      // The runs note neither where a control byte stands nor what a comment holds: look again.
      valueEnd = valueStart;
      for (marks = 0; valueEnd < close && !(ClassOf(*valueEnd) & kControl); ++valueEnd)
        marks |= ClassOf(*valueEnd);
    }
    const PendingAttribute attribute{attrName_, Between(valueStart, valueEnd), (marks & kAmpersand) != 0};
    if (PendingAttribute* earlier = FindPending(attribute.name)) {
      earlier->value = attribute.value;
      earlier->escaped = attribute.escaped;
      return;
    }
    pending_.push_back(attribute);
    // A tag with many attributes would make the search quadratic: past a few, the names go into an
    // index that makes each look-up constant.
    auto& index = scratch_.attributeIndex;
    if (pending_.size() == kScannedAttributes + 1) {
      for (std::size_t i = 0; i < pending_.size(); ++i) index.emplace(pending_[i].name, i);
    } else if (pending_.size() > kScannedAttributes + 1) {
      index.emplace(attribute.name, pending_.size() - 1);
    }
  }

  static constexpr std::size_t kScannedAttributes = 8;

  PendingAttribute* FindPending(std::string_view name) {
    if (pending_.size() > kScannedAttributes) {
      const auto found = scratch_.attributeIndex.find(name);
      return found == scratch_.attributeIndex.end() ? nullptr : &pending_[found->second];
    }
    for (PendingAttribute& earlier : pending_)
      if (EqualsNoCase(earlier.name, name)) return &earlier;
    return nullptr;
  }

  // Gives E the attributes of its start tag, each as SetAttribute would. The names are told apart
  // already; only attributes E had before the parse can match one of them.
  void StoreAttributes() {
    if (pending_.empty()) return;
    std::vector<XmlAttribute>& attributes = e_->attributes_;
    const bool fresh = attributes.empty();
    attributes.reserve(attributes.size() + pending_.size());
    for (const PendingAttribute& p : pending_) {
      XmlAttribute& attribute = fresh ? attributes.emplace_back() : e_->AttributeNamed(p.name);
      if (fresh) attribute.name.assign(p.name);
      if (p.escaped) {
        attribute.value = XmlUnescape(p.value);
      } else {
        attribute.value.assign(p.value);
      }
    }
    pending_.clear();
    // Dropped rather than cleared: clearing costs its buckets, which one huge tag leaves many of.
    if (!scratch_.attributeIndex.empty()) scratch_.attributeIndex = {};
  }

  // The element's content from the (counted) byte at c, which does not start a comment delimiter:
  // character data, nested elements, and the end tag or a "/>" that ends E. Answers the next byte to
  // count: the one after E's end, a comment delimiter, or the end.
  const char* Content(const char* c) {
    Counters k = counters_;  // kept in registers here; written back around nested parses
    while (true) {
      if (*c == '>') {
        if (c[-1] == '/') {  // "/>" anywhere in the content ends E
          elementEnd_ = c + 1;
          c = elementEnd_;
          break;
        }
        ++c;
      } else if (*c != '<') {
        if (textStart_ == nullptr) textStart_ = c;
        if (!significant_ && IsXmlWhitespace(*c)) {
          c = PassOverSpace(c + 1, end_, fence_, k);
        } else {
          significant_ = true;
          c = PassOver<kDelimiter>(c + 1, end_, fence_, k);
        }
      } else {
        if (!headerOnly_ && textStart_ != nullptr && !textFixed_ && significant_ && c > textStart_) {
          e_->text_ = XmlUnescape(Between(textStart_, c));
          textFixed_ = true;
        }
        if (c + 1 < end_ && c[1] == '/') {
          const char* close =
              static_cast<const char*>(std::memchr(c, '>', static_cast<std::size_t>(end_ - c)));
          if (close == nullptr) Fail(k, "Missing Right Angle Bracket Character");
          elementEnd_ = close + 1;
          c = elementEnd_;
          break;
        }
        if (level_ >= kMostNestedLevels) Fail(k, "Elements nested too deeply");
        counters_ = k;
        const char* childEnd = Nested(c);
        k = counters_;
        // Character data before the child was whitespace only: what follows the child starts afresh.
        if (!textFixed_) {
          textStart_ = nullptr;
          significant_ = false;
        }
        c = childEnd == nullptr ? end_ : childEnd;
      }
      if (c == end_ || AtCommentDelimiter(c, end_)) break;
      Count(k, *c);
    }
    counters_ = k;
    return c;
  }

  // A nested element from c, parsed in place as E's new last child, at its final depth; a child that
  // fails, that is not found or that a header-only walk does not keep is taken off again. Otherwise it
  // is linked as AddChild links it. Answers the end of the nested element.
  const char* Nested(const char* c) {
    std::vector<XmlObject>& children = e_->children_;
    if (children.capacity() == 0) children.reserve(FirstRoomForChildren());
    XmlObject* const oldStorage = children.data();
    XmlObject& child = children.emplace_back();
    if (children.data() != oldStorage) e_->RelinkChildren();  // the earlier children moved
    // The next child's room is written only after this child is parsed: fetch it meanwhile.
    if (children.size() < children.capacity()) PrefetchForWrite(children.data() + children.size());
    child.depth_ = e_->depth_ + 1;
    const char* childEnd;
    try {
      childEnd = XmlParser(child, c, end_, false, lenient_, headerOnly_, scratch_, level_ + 1).Run();
    } catch (...) {
      children.pop_back();
      throw;
    }
    if (childEnd == nullptr || headerOnly_) {
      children.pop_back();
    } else {
      e_->LinkNewChild();
    }
    return childEnd;
  }

  // Elements at one level mostly have about as many children as the one before them: room for that
  // many and two more. The guess is kept under a kilobyte, so that a wrong one costs little.
  std::size_t FirstRoomForChildren() const {
    constexpr std::size_t kMost = 1000 / sizeof(XmlObject);
    const std::vector<std::size_t>& counts = scratch_.childrenAtLevel;
    return level_ < counts.size() ? std::min(counts[level_] + 2, kMost) : 0;
  }

  // Notes E's number of children for the next element at this level, and gives back room a wrong
  // guess left unused.
  void NoteChildren() {
    std::vector<std::size_t>& counts = scratch_.childrenAtLevel;
    if (counts.size() <= level_) counts.resize(level_ + 1);
    std::vector<XmlObject>& children = e_->children_;
    counts[level_] = children.size();
    if (children.capacity() > 2 * children.size() + 2) children.shrink_to_fit();
  }

  [[noreturn]] void Raise(const std::string& text) {
    DebugPrint("XML:'%s'\n", std::string(begin_, end_).c_str());
    std::string message = "XML Parsing Error (line " + std::to_string(counters_.line) + ", position " +
                          std::to_string(counters_.position) + ") " + text;
    XmlObject sofar(*e_);  // written detached, as the element stands on its own
    sofar.AppendXml(message);
    throw std::runtime_error(message);
  }

  XmlObject* const e_;
  const char* const begin_;
  const char* const end_;
  const bool root_;
  const bool lenient_;
  const bool headerOnly_;
  const std::size_t level_;  // below the parse's root
  const char* const fence_;
  Counters& counters_;
  std::vector<PendingAttribute>& pending_;  // of E's start tag while it is open
  ParseScratch& scratch_;

  int commentDepth_ = 0;
  int delimiters_ = 0;           // comment delimiters met so far
  const char* start_ = nullptr;  // the element's '<'
  Tag tag_ = Tag::kBeforeName;
  const char* nameStart_ = nullptr;
  bool tagClosed_ = false;
  const char* textStart_ = nullptr;
  bool textFixed_ = false;
  bool significant_ = false;
  const char* elementEnd_ = nullptr;
  // The attribute being read.
  const char* attrNameStart_ = nullptr;
  std::string_view attrName_;
  const char* quote_ = nullptr;
  std::uint16_t valueMarks_ = 0;  // the classes of the value bytes the value runs stopped at
  int delimitersAtQuote_ = 0;
};

std::size_t ParseElement(XmlObject& element, std::string_view text, const XmlObject* parent, bool lenient,
                         bool headerOnly) {
  if (text.data() == nullptr || text.empty()) return kNoElement;
  // The text ends at its first zero byte.
  const void* zero = std::memchr(text.data(), '\0', text.size());
  const char* end = zero != nullptr ? static_cast<const char*>(zero) : text.data() + text.size();
  ParseScratch scratch(text.data(), end);
  XmlParser parser(element, text.data(), end, parent == nullptr, lenient, headerOnly, scratch);
  const char* elementEnd = parser.Run();
  return elementEnd == nullptr ? kNoElement : static_cast<std::size_t>(elementEnd - text.data());
}

}  // namespace rb
