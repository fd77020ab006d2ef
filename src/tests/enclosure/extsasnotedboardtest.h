#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The controller's extended SAS diagnostic, run without the TED board: the resident diagnostic writes,
// reads back and compares over the SAS links, and its result code says how it went.
class ExtSasNoTEDBoardTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "ExtSasNoTEDBoardTest";

  ExtSasNoTEDBoardTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ExtSasNoTEDBoardTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
