#include "platform/wmirepository.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>

#include "support/stringutil.h"

namespace os {

namespace {

// One lexical unit of a query: a name or keyword, a number, a quoted text, or one punctuation character.
struct Token {
  enum Kind { kWord, kNumber, kText, kSymbol } kind;
  // The name, the digits, the symbol, or a text as written between its quotes.
  std::string raw;
  // A text with WQL's backslash escapes resolved (\\ and \" and \').
  std::string unescaped;
};

bool IsWordByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// Splits a query into tokens; nullopt for a byte no query may hold or a text without its closing quote.
std::optional<std::vector<Token>> Tokenize(const std::string& query) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < query.size()) {
    const char c = query[i];
    if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      ++i;
    } else if (c == '"' || c == '\'') {
      Token token{Token::kText, {}, {}};
      std::size_t j = i + 1;
      for (; j < query.size() && query[j] != c; ++j) {
        if (query[j] == '\\' && j + 1 < query.size() &&
            (query[j + 1] == '\\' || query[j + 1] == '"' || query[j + 1] == '\'')) {
          token.raw += query[j];
          token.unescaped += query[++j];
          token.raw += query[j];
        } else {
          token.raw += query[j];
          token.unescaped += query[j];
        }
      }
      if (j == query.size()) return std::nullopt;
      tokens.push_back(std::move(token));
      i = j + 1;
    } else if (std::isdigit(static_cast<unsigned char>(c)) != 0 ||
               (c == '-' && i + 1 < query.size() &&
                std::isdigit(static_cast<unsigned char>(query[i + 1])) != 0)) {
      std::size_t j = i + 1;
      while (j < query.size() && std::isdigit(static_cast<unsigned char>(query[j])) != 0) ++j;
      tokens.push_back({Token::kNumber, query.substr(i, j - i), {}});
      i = j;
    } else if (IsWordByte(c)) {
      std::size_t j = i;
      while (j < query.size() && IsWordByte(query[j])) ++j;
      tokens.push_back({Token::kWord, query.substr(i, j - i), {}});
      i = j;
    } else if (std::string_view("*={}.").find(c) != std::string_view::npos) {
      tokens.push_back({Token::kSymbol, std::string(1, c), {}});
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return tokens;
}

// Reads tokens in order; every Expect/Take answers false (or null) when the next token is not the one
// asked for, and the query is then rejected.
class TokenReader {
 public:
  explicit TokenReader(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  bool AtEnd() const { return next_ == tokens_.size(); }
  bool NextIsKeyword(std::string_view keyword) const {
    return !AtEnd() && tokens_[next_].kind == Token::kWord && rb::EqualsNoCase(tokens_[next_].raw, keyword);
  }
  bool ExpectKeyword(std::string_view keyword) {
    if (!NextIsKeyword(keyword)) return false;
    ++next_;
    return true;
  }
  bool ExpectSymbol(char symbol) {
    if (AtEnd() || tokens_[next_].kind != Token::kSymbol || tokens_[next_].raw[0] != symbol) return false;
    ++next_;
    return true;
  }
  const Token* Take(Token::Kind kind) {
    return !AtEnd() && tokens_[next_].kind == kind ? &tokens_[next_++] : nullptr;
  }
  // A number or a text: the value of a condition.
  const Token* TakeValue() {
    if (AtEnd() || (tokens_[next_].kind != Token::kNumber && tokens_[next_].kind != Token::kText))
      return nullptr;
    return &tokens_[next_++];
  }

 private:
  std::vector<Token> tokens_;
  std::size_t next_ = 0;
};

// LIKE: % matches any run of bytes, _ exactly one; letters compare without regard to case.
bool Like(std::string_view text, std::string_view pattern) {
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t starPattern = std::string_view::npos;
  std::size_t starText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '%') {
      starPattern = p++;
      starText = t;
    } else if (p < pattern.size() && (pattern[p] == '_' || rb::SameBytesNoCase(&pattern[p], &text[t], 1))) {
      ++p;
      ++t;
    } else if (starPattern != std::string_view::npos) {
      p = starPattern + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// One WHERE condition of a SELECT.
struct Condition {
  std::string property;
  bool like = false;
  Token value;

  bool Holds(const WmiRow& row) const {
    const std::string* actual = row.Find(property);
    if (actual == nullptr) return false;
    if (value.kind == Token::kNumber) {
      const std::optional<std::int64_t> number = ParseInteger(*actual);
      return number.has_value() && number == ParseInteger(value.raw);
    }
    // The component writes identifiers between the quotes as they are; WMI's own syntax doubles their
    // backslashes. Either form matches.
    for (const std::string* text : {&value.raw, &value.unescaped})
      if (like ? Like(*actual, *text) : rb::EqualsNoCase(*actual, *text)) return true;
    return false;
  }
};

}  // namespace

std::string WmiRepository::Key(const std::string& className, const std::string& deviceId) {
  std::string key = className + '\n' + deviceId;
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

void WmiRepository::Add(const std::string& className, WmiRow row, std::vector<std::string> superclasses) {
  // Every managed element names the class it was made as; queries of a superclass tell kinds apart by it.
  if (row.Find("CreationClassName") == nullptr) row.Set("CreationClassName", className);
  byKey_.emplace(Key(className, row.Get("DeviceID")), instances_.size());
  instances_.push_back({className, std::move(superclasses), std::move(row)});
}

void WmiRepository::Associate(const std::string& classA, const std::string& deviceIdA,
                              const std::string& classB, const std::string& deviceIdB) {
  const auto a = byKey_.find(Key(classA, deviceIdA));
  const auto b = byKey_.find(Key(classB, deviceIdB));
  if (a == byKey_.end() || b == byKey_.end()) return;
  links_.push_back({a->second, b->second});
}

bool WmiRepository::Query(const std::string& query, std::vector<WmiRow>* rows) const {
  rows->clear();
  std::optional<std::vector<Token>> tokens = Tokenize(query);
  if (!tokens) return false;
  TokenReader reader(std::move(*tokens));

  const auto isA = [](const Instance& instance, std::string_view className) {
    if (rb::EqualsNoCase(instance.className, className)) return true;
    return std::any_of(
        instance.superclasses.begin(), instance.superclasses.end(),
        [&](const std::string& superclass) { return rb::EqualsNoCase(superclass, className); });
  };

  if (reader.ExpectKeyword("SELECT")) {
    const Token* className = nullptr;
    if (!reader.ExpectSymbol('*') || !reader.ExpectKeyword("FROM") ||
        !(className = reader.Take(Token::kWord)))
      return false;
    std::vector<Condition> conditions;
    if (reader.ExpectKeyword("WHERE")) {
      do {
        const Token* property = reader.Take(Token::kWord);
        if (property == nullptr) return false;
        Condition condition{property->raw, false, {}};
        if (reader.ExpectKeyword("LIKE")) {
          condition.like = true;
          const Token* pattern = reader.Take(Token::kText);
          if (pattern == nullptr) return false;
          condition.value = *pattern;
        } else {
          const Token* value = nullptr;
          if (!reader.ExpectSymbol('=') || !(value = reader.TakeValue())) return false;
          condition.value = *value;
        }
        conditions.push_back(std::move(condition));
      } while (reader.ExpectKeyword("AND"));
    }
    if (!reader.AtEnd()) return false;
    for (const Instance& instance : instances_) {
      if (!isA(instance, className->raw)) continue;
      if (std::all_of(conditions.begin(), conditions.end(),
                      [&](const Condition& condition) { return condition.Holds(instance.row); }))
        rows->push_back(instance.row);
    }
    return true;
  }

  if (reader.ExpectKeyword("ASSOCIATORS")) {
    const Token* sourceClass = nullptr;
    const Token* keyProperty = nullptr;
    const Token* key = nullptr;
    const Token* resultClass = nullptr;
    if (!reader.ExpectKeyword("OF") || !reader.ExpectSymbol('{') ||
        !(sourceClass = reader.Take(Token::kWord)) || !reader.ExpectSymbol('.') ||
        !(keyProperty = reader.Take(Token::kWord)) || !reader.ExpectSymbol('=') ||
        !(key = reader.Take(Token::kText)) || !reader.ExpectSymbol('}') || !reader.ExpectKeyword("WHERE") ||
        !reader.ExpectKeyword("ResultClass") || !reader.ExpectSymbol('=') ||
        !(resultClass = reader.Take(Token::kWord)) || !reader.AtEnd())
      return false;
    const Condition source{keyProperty->raw, false, *key};
    std::vector<std::size_t> found;
    for (const Link& link : links_) {
      for (const auto& [from, to] : {std::pair(link.a, link.b), std::pair(link.b, link.a)}) {
        if (!isA(instances_[from], sourceClass->raw) || !source.Holds(instances_[from].row)) continue;
        if (isA(instances_[to], resultClass->raw) && std::find(found.begin(), found.end(), to) == found.end())
          found.push_back(to);
      }
    }
    for (std::size_t index : found) rows->push_back(instances_[index].row);
    return true;
  }
  return false;
}

}  // namespace os
