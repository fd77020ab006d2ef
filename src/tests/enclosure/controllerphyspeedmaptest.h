#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The controller's phys' negotiated speeds (one code per phy, 16 hex digits) against the expected map.
class ControllerPhySpeedMapTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "ControllerPhySpeedMapTest";

  ControllerPhySpeedMapTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ControllerPhySpeedMapTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
