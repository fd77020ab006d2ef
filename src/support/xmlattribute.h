#pragma once

#include <memory>
#include <string>

#include "framework/persistent.h"

namespace rb {

// One name/value pair of an element or of the XML declaration. The value is held unescaped. In the
// persistent file an attribute is its name and value.
struct XmlAttribute final : public Persistent {
  static constexpr const char* kStreamableName = "XmlAttribute";

  XmlAttribute() = default;
  XmlAttribute(std::string attributeName, std::string attributeValue)
      : name(std::move(attributeName)), value(std::move(attributeValue)) {}

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<XmlAttribute>(); }

  std::string name;
  std::string value;
};

}  // namespace rb
