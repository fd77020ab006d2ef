#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The PCI Express lanes the controller negotiated against the lanes the card is meant to use.
class ExpressLinkWidthTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "ExpressLinkWidthTest";

  ExpressLinkWidthTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ExpressLinkWidthTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
