#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The world wide names of the JBOD's two expanders: they must differ (each is its own SAS address)
// and share their first six bytes (the box's assigned block).
class SASJBODWWNTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "SASJBODWWNTest";

  SASJBODWWNTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SASJBODWWNTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
