#pragma once

#include <cstdint>
#include <string>

#include "framework/persistent.h"

namespace rb {

// A relation of a device to another device (its controller, a disk behind it, a neighbour), written
// into the device's catalog element. The device family that adds the relation sets its texts.
class Interface : public Persistent {
 public:
  enum Role : std::int32_t { kParent = 0, kChild = 1, kSibling = 2 };

  static constexpr const char* kStreamableName = "Interface";

  Interface() = default;
  Interface(std::string name, std::string caption, std::string description, std::int32_t role)
      : name_(std::move(name)),
        caption_(std::move(caption)),
        description_(std::move(description)),
        role_(role) {}

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Description() const { return description_; }
  std::int32_t Role() const { return role_; }
  // "parent", "child" or "sibling"; empty for any other role.
  const char* RoleName() const;

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<Interface>(); }

 private:
  std::string name_;
  std::string caption_;
  std::string description_;
  std::int32_t role_ = kParent;
};

}  // namespace rb
