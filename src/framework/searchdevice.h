#pragma once

#include <string>

#include "framework/device.h"

namespace rb {

// A device that is only a name: the key for looking a device up in the component's device set. It
// streams nothing of its own and describes nothing.
class SearchDevice : public Device {
 public:
  static constexpr const char* kStreamableName = "SearchDevice";

  SearchDevice() = default;
  explicit SearchDevice(std::string name) : Device(std::move(name), false) {}

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SearchDevice>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
};

}  // namespace rb
