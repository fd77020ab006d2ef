#pragma once

#include <memory>
#include <string>

#include "framework/test.h"
#include "framework/testfactory.h"

namespace rb {

// Compares the controller's diagnostics ROM version (two bytes) with the pair the operator gives.
class RaidDiagFirmwareVersionCheck : public Test {
 public:
  static constexpr const char* kStreamableName = "RaidDiagFirmwareVersionCheck";

  explicit RaidDiagFirmwareVersionCheck(const TestConfig& config);
  RaidDiagFirmwareVersionCheck();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override {
    return std::make_unique<RaidDiagFirmwareVersionCheck>();
  }
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
