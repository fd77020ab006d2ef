#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The storage box's PSoC versions (SEP, fan, two LED) against the versions the parameters expect; a
// parameter left empty leaves its PSoC unchecked.
class SASJBODPSoCTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "SASJBODPSoCTest";

  SASJBODPSoCTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SASJBODPSoCTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
