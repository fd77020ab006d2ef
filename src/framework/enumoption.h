#pragma once

#include <string>

#include "framework/persistent.h"
#include "support/xmlobject.h"

namespace rb {

// One choice of an enumeration parameter: the name the command carries and the texts the host shows.
// In the persistent file an option is its name; the texts come from the test that creates it.
class EnumOption : public Persistent {
 public:
  static constexpr const char* kStreamableName = "EnumOption";

  EnumOption() = default;
  EnumOption(std::string name, std::string caption, std::string description)
      : name_(std::move(name)), caption_(std::move(caption)), description_(std::move(description)) {}

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Description() const { return description_; }
  // <TextItem name= caption= description=/>
  XmlObject Describe() const;

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
