#include "framework/numericexpression.h"

#include <string>
#include <type_traits>

#include "support/oruerror.h"

namespace rb {
namespace {

constexpr const char* kOutOfRange = "Parameter outside acceptable range";
constexpr const char* kUnbalanced = "Malformed expression, Check your parenthesis.";
// Deeper nesting than any operator types is refused rather than allowed to exhaust the stack.
constexpr int kMaxNesting = 200;

bool IsOperatorOrParenthesis(char c) {
  return c == '+' || c == '-' || c == '*' || c == '/' || c == '(' || c == ')';
}

int DigitValue(char c, unsigned base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  else if (base == 16 && c >= 'a' && c <= 'f') value = c - 'a' + 10;
  else if (base == 16 && c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value;
}

template <class T>
class Evaluator {
  // All arithmetic is done unsigned, so that overflow wraps instead of being undefined.
  using U = std::make_unsigned_t<T>;

 public:
  Evaluator(std::string text, T min, T max) : text_(std::move(text)), min_(min), max_(max) {}

  T Evaluate() {
    const U value = Sum(0);
    // Only a ')' without its '(' or a term glued to a parenthesis can stop the sum early.
    if (position_ < text_.size()) throw FrontendError(kOutOfRange, kUnbalanced);
    return static_cast<T>(value);
  }

 private:
  U Sum(int depth) {
    U value = Product(depth);
    while (position_ < text_.size() && (text_[position_] == '+' || text_[position_] == '-')) {
      const char op = text_[position_++];
      const U right = Product(depth);
      value = op == '+' ? static_cast<U>(value + right) : static_cast<U>(value - right);
    }
    return value;
  }

  U Product(int depth) {
    U value = Term(depth);
    while (position_ < text_.size() && (text_[position_] == '*' || text_[position_] == '/')) {
      const char op = text_[position_++];
      const U right = Term(depth);
      value = op == '*' ? static_cast<U>(value * right) : Divide(value, right);
    }
    return value;
  }

  static U Divide(U dividend, U divisor) {
    if (divisor == 0) throw FrontendError(kOutOfRange, "Please don't divide by zero.");
    if constexpr (std::is_signed_v<T>) {
      // The one quotient that overflows (the most negative value by -1) wraps to itself.
      if (static_cast<T>(divisor) == -1) return static_cast<U>(U{0} - dividend);
      return static_cast<U>(static_cast<T>(dividend) / static_cast<T>(divisor));
    } else {
      return dividend / divisor;
    }
  }

  U Term(int depth) {
    if (position_ < text_.size() && text_[position_] == '(') {
      if (depth >= kMaxNesting) throw FrontendError(kOutOfRange, kUnbalanced);
      ++position_;
      const U value = Sum(depth + 1);
      if (position_ >= text_.size() || text_[position_] != ')') throw FrontendError(kOutOfRange, kUnbalanced);
      ++position_;
      return value;
    }
    const std::size_t start = position_;
    while (position_ < text_.size() && !IsOperatorOrParenthesis(text_[position_])) ++position_;
    return Atom(std::string_view(text_).substr(start, position_ - start));
  }

  U Atom(std::string_view atom) const {
    if (atom == "MAX") return static_cast<U>(max_);
    if (atom == "MIN") return static_cast<U>(min_);
    if (!atom.empty()) {
      const char suffix = atom.back();
      const int shift = suffix == 'K' ? 10 : suffix == 'M' ? 20 : suffix == 'G' ? 30 : 0;
      if (shift != 0) return static_cast<U>(Number(atom.substr(0, atom.size() - 1), 10) << shift);
    }
    if (atom.substr(0, 2) == "0x") return Number(atom.substr(2), 16);
    return Number(atom, 10);
  }

  // The longest prefix of digits in the base; 0 when there is none.
  static U Number(std::string_view digits, unsigned base) {
    U value = 0;
    for (const char c : digits) {
      const int digit = DigitValue(c, base);
      if (digit < 0) break;
      value = static_cast<U>(value * base + static_cast<U>(digit));
    }
    return value;
  }

  std::string text_;
  std::size_t position_ = 0;
  T min_;
  T max_;
};

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text)
    if (c != ' ') out += c;
  return out;
}

}  // namespace

template <class T>
T EvaluateNumericExpression(std::string_view text, T min, T max) {
  return Evaluator<T>(WithoutBlanks(text), min, max).Evaluate();
}

template int EvaluateNumericExpression<int>(std::string_view, int, int);
template std::uint64_t EvaluateNumericExpression<std::uint64_t>(std::string_view, std::uint64_t, std::uint64_t);

}  // namespace rb
