// libFuzzer target: the arithmetic an operator types into a numeric parameter. The input is the text.
// Besides running clean under the sanitizers (no overflow is undefined: the arithmetic wraps):
// - the only failure is the FrontendError "Parameter outside acceptable range" with the detail of a
//   division by zero or of the parentheses;
// - without a division, the 32-bit and the 64-bit evaluations agree: the same failure, or results equal
//   in their low 32 bits (addition, subtraction, multiplication and shifts wrap alike);
// - a parameter given the text either keeps a value within its limits or refuses it with the range
//   message, and the empty text gives the default.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "framework/numericexpression.h"
#include "framework/numericparameter.h"
#include "support/oruerror.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "numericexpression_fuzzer: %s for '%s'\n", what, text.c_str());
  __builtin_trap();
}

template <class T>
struct Outcome {
  std::optional<T> value;
  std::string detail;
};

template <class T>
Outcome<T> Evaluate(const std::string& text) {
  Outcome<T> outcome;
  try {
    // With both limits 0, MAX and MIN are 0 in either width.
    outcome.value = rb::EvaluateNumericExpression<T>(text, 0, 0);
  } catch (const rb::FrontendError& error) {
    if (error.Message() != "Parameter outside acceptable range") Fail("unexpected message", text);
    if (error.Detail() != "Please don't divide by zero." &&
        error.Detail() != "Malformed expression, Check your parenthesis.")
      Fail("unexpected detail", text);
    outcome.detail = error.Detail();
  }
  return outcome;
}

void CheckParameter(const std::string& text) {
  rb::NumericParameter<int> parameter("timeout", "Timeout", "", 30, 0, 65535);
  try {
    parameter.SetValue(text);
    if (parameter.Value() < 0 || parameter.Value() > 65535) Fail("accepted a value out of range", text);
    if (text.empty() && parameter.Value() != 30) Fail("the empty text is not the default", text);
    if (parameter.Value() == 0 && text != "0") Fail("accepted 0 from another text", text);
  } catch (const rb::FrontendError& error) {
    if (error.Message() != "Parameter outside acceptable range") Fail("unexpected message", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const Outcome<int> narrow = Evaluate<int>(text);
  const Outcome<std::uint64_t> wide = Evaluate<std::uint64_t>(text);
  if (text.find('/') == std::string::npos) {
    if (narrow.detail != wide.detail) Fail("the widths fail differently", text);
    if (narrow.value && static_cast<std::uint32_t>(*narrow.value) != static_cast<std::uint32_t>(*wide.value))
      Fail("the widths disagree", text);
  }
  CheckParameter(text);
  return 0;
}
