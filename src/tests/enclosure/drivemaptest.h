#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The enclosures' bays against their expanders' phy maps: every bay holding a drive must be attached to a
// phy, and every phy's bay must hold one.
class DriveMapTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "DriveMapTest";

  DriveMapTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<DriveMapTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
