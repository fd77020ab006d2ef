#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/test.h"
#include "framework/testfactory.h"

namespace rb {

// A controller's small NVRAM areas (host result, cache result, daughter card: each must hold its
// marker and a zero checksum over its upper half), and the switches of its background activity, by
// the code the controller's list makes the instance with.
class RaidDiagNVRAM : public Test {
 public:
  static constexpr const char* kStreamableName = "RaidDiagNVRAM";
  static constexpr std::uint32_t kAreaBytes = 256;
  // The most an area read may take.
  static constexpr std::uint32_t kMostBytes = 512;
  static constexpr std::size_t kChecksumStart = 128;
  static constexpr int kBackgroundDisableCode = 152;
  static constexpr int kBackgroundEnableCode = 153;

  explicit RaidDiagNVRAM(const TestConfig& config);
  RaidDiagNVRAM();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<RaidDiagNVRAM>(); }
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

  // Empty when the area holds the marker ("j", ">", any byte, "x") and its bytes from offset 128 on
  // sum to 0 in their low byte; otherwise the failure's message.
  static std::string CheckArea(const std::vector<std::uint8_t>& area);

 private:
  bool CheckNvram(std::uint8_t address, const char* area, std::uint32_t length);

  int code_ = 0;
};

}  // namespace rb
