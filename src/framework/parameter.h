#pragma once

#include <string>

#include "framework/persistent.h"

namespace rb {

// A value the operator may set before a test runs, named after the runTest attribute that carries it.
// In the persistent file a parameter is its name; each kind streams its values after it.
class Parameter : public Persistent {
 public:
  Parameter(std::string name, std::string caption, std::string description)
      : name_(std::move(name)), caption_(std::move(caption)), description_(std::move(description)) {}

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Description() const { return description_; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies name and texts.
  void Assign(const Persistent& other) override;

 protected:
  // The state a reader starts from.
  Parameter() = default;

 private:
  std::string name_;
  std::string caption_;
  std::string description_;
};

// One choice of an enumeration parameter.
class EnumOption : public Persistent {
 public:
  static constexpr const char* kStreamableName = "EnumOption";

  EnumOption() = default;
  EnumOption(std::string name, std::string caption, std::string description)
      : name_(std::move(name)), caption_(std::move(caption)), description_(std::move(description)) {}

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Description() const { return description_; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<EnumOption>(); }

 private:
  std::string name_;
  std::string caption_;
  std::string description_;
};

}  // namespace rb
