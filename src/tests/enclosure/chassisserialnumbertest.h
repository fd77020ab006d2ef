#pragma once

#include <memory>
#include <string>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// Writes and verifies, or only verifies, the chassis serial number a backplane's processor keeps.
// The operator enters the number; it must have "snDigits" letters or digits and, when
// "VerifyAssemblyCode" is set, a 12-digit number must carry the assembly code at xxxxZZZZxxxx. The
// number is written only once it passed those checks, then read back.
// With "NoPrompt" nobody is asked and nothing is written: the stored number is read and must pass the
// same checks.
class ChassisSerialNumberTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "ChassisSerialNumberTest";

  ChassisSerialNumberTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ChassisSerialNumberTest>(); }
  bool Execute(const XmlObject& command) override;

 private:
  // The failure text the number earns, or empty when it is acceptable.
  std::string CheckSerial(const std::string& serial);
};

}  // namespace rb
