#pragma once

#include "framework/stringparameter.h"

namespace rb {

// A 32-bit value the operator types in hexadecimal (a map of bits), kept as typed: type "dword".
class HexParameter : public StringParameter {
 public:
  static constexpr const char* kStreamableName = "HexParameter";

  HexParameter() = default;
  HexParameter(std::string name, std::string caption, std::string description, std::string defaultValue)
      : StringParameter(std::move(name), std::move(caption), std::move(description),
                        std::move(defaultValue)) {}

  // Up to eight hexadecimal digits; anything else is refused.
  void SetValue(const std::string& text) override;
  std::string TypeName() const override { return "dword"; }
  std::uint32_t Number() const { return Parse(Value()); }
  // The value of hexadecimal digits (0 for none); the digits are not checked.
  static std::uint32_t Parse(const std::string& digits);

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<HexParameter>(); }
};

}  // namespace rb
