#pragma once

#include <memory>
#include <string>

#include "tests/nvram/partcodetest.h"

namespace rb {

// An enclosure check made by its code: 0, 1, 2 require every power supply, fan or temperature sensor of
// the controller's first enclosure to report OK; 3 to 6 and, on a backplane entry, 13 to 20 check an
// enclosure NVRAM part (checksum, assembly code, auto rev, display) as NVRAMTest does; 8 verifies or writes
// the chassis serial number, 10 and 11 compare the expanders' PHY attributes, 12 writes the operator's
// product identifier.
class SESNVRAMTest : public PartCodeTest {
 public:
  static constexpr const char* kStreamableName = "SESNVRAMTest";

  explicit SESNVRAMTest(const TestConfig& config);
  // The state a reader starts from.
  SESNVRAMTest();

  // Null for the codes this class does not check.
  static std::unique_ptr<Test> Make(const TestConfig& config);

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESNVRAMTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

 protected:
  std::unique_ptr<Test> Remake(const TestConfig& config) const override {
    return std::make_unique<SESNVRAMTest>(config);
  }
};

}  // namespace rb
