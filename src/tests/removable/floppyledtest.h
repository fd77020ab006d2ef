#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tests/removable/floppytest.h"

namespace rb {

// The diskette drive's LED blink check: the drive reads a track a chosen number of times while the
// operator counts the LED; a wrong count fails with "Floppy drive LED test failed.".
class FloppyLedTest : public FloppyTest {
 public:
  static constexpr const char* kStreamableName = "FloppyLedTest";

  FloppyLedTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FloppyLedTest>(); }
  bool Execute(const XmlObject& command) override;

 protected:
  // How many times the LED comes on; chosen at random.
  virtual std::uint32_t Blinks();
};

}  // namespace rb
