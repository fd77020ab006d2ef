#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// Checks the link rate a SAS controller's disk has negotiated against the minimum the operator names
// ("MinLinkSpeed": 1.5 or 3.0 Gbps, 3.0 by default). The disk's link-rate code 8 is 1.5 Gbps and every
// code above it 3.0 Gbps or more, as the disk's properties show them; codes 0 to 3 (unknown, phy
// disabled, negotiation failed, SATA spin-up hold) and 4 to 7 negotiated no rate and fail.
class SasVerLinkSpeedTest : public Test {
 public:
  static constexpr const char* kStreamableName = "SasVerLinkSpeedTest";
  static constexpr std::uint8_t kSlowestRateCode = 8;

  SasVerLinkSpeedTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SasVerLinkSpeedTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
