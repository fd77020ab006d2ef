#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// Each expander's world wide name against the one the operator enters for it.
class VerifyExpanderWWIDTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "VerifyExpanderWWIDTest";

  VerifyExpanderWWIDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<VerifyExpanderWWIDTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
