#pragma once

#include <vector>

#include "framework/enumoption.h"
#include "framework/parameter.h"

namespace rb {

// A choice from a list: the command carries the exact (case-sensitive) name of one option.
class EnumerationParameter : public Parameter {
 public:
  static constexpr const char* kStreamableName = "EnumerationParameter";

  EnumerationParameter() = default;
  EnumerationParameter(std::string name, std::string caption, std::string description, std::string defaultValue)
      : Parameter(std::move(name), std::move(caption), std::move(description)),
        value_(defaultValue),
        default_(std::move(defaultValue)) {}

  void AddOption(EnumOption option) { options_.push_back(std::move(option)); }
  const std::vector<EnumOption>& Options() const { return options_; }
  const std::string& Value() const { return value_; }

  // Adds one TextItem per option, in order.
  XmlObject Describe() const override;
  void SetValue(const std::string& text) override;
  std::string DefaultText() const override { return default_; }
  std::string TypeName() const override { return "ENUM"; }

  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<EnumerationParameter>(); }

 private:
  std::string value_;
  std::string default_;
  std::vector<EnumOption> options_;
};

}  // namespace rb
