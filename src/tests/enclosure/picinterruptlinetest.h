#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The PIC's interrupt line must rest high: the line is open-drain and pulled up, so low (held by a
// stuck source) or an undefined condition is a fault.
class PICInterruptLineTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "PICInterruptLineTest";

  PICInterruptLineTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<PICInterruptLineTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
