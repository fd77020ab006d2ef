#pragma once

#include "framework/parameter.h"

namespace rb {

// A free-text parameter; any text is taken as it is.
class StringParameter : public Parameter {
 public:
  static constexpr const char* kStreamableName = "StringParameter";

  StringParameter() = default;
  StringParameter(std::string name, std::string caption, std::string description, std::string defaultValue)
      : Parameter(std::move(name), std::move(caption), std::move(description)),
        default_(std::move(defaultValue)),
        value_(default_) {}

  const std::string& Value() const { return value_; }

  void SetValue(const std::string& text) override { value_ = text.empty() ? default_ : text; }
  std::string DefaultText() const override { return default_; }
  std::string TypeName() const override { return "string"; }

  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<StringParameter>(); }

 private:
  std::string default_;
  std::string value_;
};

}  // namespace rb
