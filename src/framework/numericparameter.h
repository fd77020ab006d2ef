#pragma once

#include <cstdint>
#include <string>

#include "framework/parameter.h"

namespace rb {

// A whole-number parameter, in 32-bit signed (int) or 64-bit unsigned (std::uint64_t) arithmetic. The
// operator may type an expression (2G, MAX/2, 0x10); see EvaluateNumericExpression. A maximum that is
// not above the minimum means there is no upper limit.
template <class T>
class NumericParameter : public Parameter {
 public:
  // Both widths share one name in the persistent file; they stream the same way (their name).
  static constexpr const char* kStreamableName = "NumericParameter < T >";

  NumericParameter() = default;
  NumericParameter(std::string name, std::string caption, std::string description, T defaultValue, T min, T max);

  // Sets the parameter up (texts and limits) and makes its default text.
  void Set(std::string name, std::string caption, std::string description, T defaultValue, T min, T max);

  T Value() const { return value_; }
  T Default() const { return default_; }
  T Min() const { return min_; }
  T Max() const { return max_; }

  // Adds min and max to the base element.
  XmlObject Describe() const override;
  // Evaluates the text and stores the result before checking it: 0 only from the text "0", and the
  // result within the limits.
  void SetValue(const std::string& text) override;
  std::string DefaultText() const override { return defaultText_; }
  std::string TypeName() const override { return "int"; }

  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<NumericParameter>(); }

 private:
  T value_{};
  T default_{};
  T min_{};
  T max_{};
  std::string defaultText_ = "0";
};

extern template class NumericParameter<int>;
extern template class NumericParameter<std::uint64_t>;

}  // namespace rb
