#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/test.h"
#include "framework/testfactory.h"

namespace rb {

// One of the controller's resident diagnostics (memory, cache, data retention, loop back, LED, SGPIO,
// SAS): the controller's list makes an instance per diagnostic group and code. The diagnostic runs on
// a RaidDiagThread while the test waits in one-second steps up to its "timeout", then judges the
// result record's error code.
class RaidDiagTest : public Test {
 public:
  static constexpr const char* kStreamableName = "RaidDiagTest";
  static constexpr int kDefaultTimeout = 1800;
  // The code of the non-retention verify in the controller's list; the controller runs it as code 2.
  static constexpr int kNonRetentionCode = 255;

  // Codes: diagnostic group, diagnostic code.
  explicit RaidDiagTest(const TestConfig& config);
  // The state a reader starts from.
  RaidDiagTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<RaidDiagTest>(); }
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

  int Group() const { return group_; }
  int Code() const { return code_; }
  // The text of a diagnostic error code; empty for 0, and for codes the table does not know.
  static const char* ErrorText(int code);

 private:
  // The verdict on a finished diagnostic's record.
  bool Judge(const std::vector<std::uint8_t>& record, bool nonRetention);
  // The SAS map checks: each map of the record against the parameter of its name; an empty parameter
  // is not compared.
  bool CompareMaps(const std::vector<std::uint8_t>& record, bool phyMaps);
  void FailDiagnostic(const std::string& detail);

  int group_ = 0;
  int code_ = 0;
  bool hotPlugRemoved_ = false;
};

}  // namespace rb
