#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The controller's world wide name against the one the operator enters.
class VerifyWWIDTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "VerifyWWIDTest";

  VerifyWWIDTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<VerifyWWIDTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
