#pragma once

#include <memory>
#include <string>

#include "framework/test.h"
#include "framework/testfactory.h"

namespace rb {

// An enclosure check made by its code: 0, 1, 2 require every power supply, fan or temperature sensor of
// the controller's first enclosure to report OK; 3 to 6 check an enclosure NVRAM part (checksum,
// assembly code, auto rev, display) as NVRAMTest does.
class SESNVRAMTest : public Test {
 public:
  static constexpr const char* kStreamableName = "SESNVRAMTest";

  explicit SESNVRAMTest(const TestConfig& config);
  // The state a reader starts from.
  SESNVRAMTest();

  // Null for the codes this class does not check.
  static std::unique_ptr<Test> Make(const TestConfig& config);

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESNVRAMTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

 private:
  int code_ = 3;
};

}  // namespace rb
