#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The ECC events the controller's firmware registered, at most the parameter's count.
class SASEccCntTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "SASEccCntTest";

  SASEccCntTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SASEccCntTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
