#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// The loopback tests of a fibre-channel adapter: the adapter's firmware sends a 256-byte pattern
// through its port and back, inside the chip (at the 10-bit or the 1-bit interface) or out through a
// loopback plug (the external variant, which asks the operator to fit the plug first). The test goes
// through the adapter diagnostics library qlsdm and runs the loopback on every adapter the library can
// open, in its order; a verdict of a changed pattern, a loop that is down or a refused request fails
// the test with what to do about it. A test that could open no adapter has tested nothing and fails.
class FibreLoopBackTest : public Test {
 public:
  static constexpr const char* kStreamableName = "FibreLoopBackTest";
  // The mode of a test the reader makes, before its own is read.
  static constexpr std::uint8_t kNoMode = 255;

  struct Variant {
    std::uint8_t mode;
    const char* name;
    const char* caption;
  };
  // External (2), internal at the 1-bit interface (1) and at the 10-bit interface (0), in the order an
  // adapter offers them.
  static constexpr Variant kVariants[] = {
      {2, "ExternalFibreLoopBackTest", "External Fibre loopback test"},
      {1, "Internal_1Bit_FibreLoopBackTest", "Internal 1 bit Fibre loopback test"},
      {0, "Internal_10Bit_FibreLoopBackTest", "Internal 10 bit Fibre loopback test"},
  };

  FibreLoopBackTest();
  explicit FibreLoopBackTest(std::uint8_t mode);

  std::uint8_t Mode() const { return mode_; }
  std::uint16_t Iterations() const { return iterations_; }
  // Handed to the library as it is.
  std::uint8_t Option() const { return option_; }

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FibreLoopBackTest>(); }
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

 private:
  // Runs the loopback on each adapter the library opens; raises the first failure.
  void RunLoopbacks();

  std::uint8_t mode_ = kNoMode;
  std::uint16_t iterations_ = 10;
  std::uint8_t option_ = 0;
};

}  // namespace rb
