#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tests/removable/removablemediatest.h"

namespace rb {

// The optical drive's LED blink check: the drive reads its disc a chosen number of times while the
// operator counts the LED. A drive that will not spin up fails with "Optical drive LED test unable to
// spinup drive.", a wrong count with "Optical drive LED test failed.".
class CdLedTest : public RemovableMediaTest {
 public:
  static constexpr const char* kStreamableName = "CdLedTest";

  CdLedTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CdLedTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

 protected:
  // How many times the LED comes on; chosen at random.
  virtual std::uint32_t Blinks();
};

}  // namespace rb
