#pragma once

#include "framework/parameter.h"

namespace rb {

// A yes/no parameter: the command carries "1" or "0".
class BooleanParameter : public Parameter {
 public:
  static constexpr const char* kStreamableName = "BooleanParameter";

  BooleanParameter() = default;
  BooleanParameter(std::string name, std::string caption, std::string description, bool defaultValue)
      : Parameter(std::move(name), std::move(caption), std::move(description)),
        default_(defaultValue),
        value_(defaultValue) {}

  bool Value() const { return value_; }

  void SetValue(const std::string& text) override;
  std::string DefaultText() const override { return default_ ? "1" : "0"; }
  std::string TypeName() const override { return "bool"; }

  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<BooleanParameter>(); }

 private:
  bool default_ = false;
  bool value_ = false;
};

}  // namespace rb
