#pragma once

#include <memory>
#include <string>

#include "tests/nvram/partcodetest.h"

namespace rb {

class NvramPart;

// Checks one of the controller's NVRAM parts (its part code is the instance's first code): checksum,
// assembly code, auto rev, FBT and PIC codes, test status, the wellness logs (whose status letters the
// manufacturing part's instance can write), the PHY setting against a file, and a display of the part.
// Each check runs when its parameter asks for it; the first failure ends the run.
class NVRAMTest : public PartCodeTest {
 public:
  static constexpr const char* kStreamableName = "NVRAMTest";
  static constexpr int kManufacturingPart = 129;
  static constexpr int kCachePart = 131;

  explicit NVRAMTest(const TestConfig& config);
  // The state a reader starts from.
  NVRAMTest();

  static std::unique_ptr<Test> Make(const TestConfig& config) { return std::make_unique<NVRAMTest>(config); }

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<NVRAMTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

 protected:
  std::unique_ptr<Test> Remake(const TestConfig& config) const override {
    return std::make_unique<NVRAMTest>(config);
  }

 private:
  void Check(NvramPart& part);
  void CheckCodes(const std::vector<std::uint8_t>& bytes);
  void CheckWellnessLogs(NvramPart& part);
  void CheckPhySetting(const std::vector<std::uint8_t>& bytes);
};

}  // namespace rb
