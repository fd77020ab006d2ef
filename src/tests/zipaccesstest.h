#pragma once

#include "tests/accesstest.h"

namespace rb {

// The access test of a zip drive: the operator chooses mode and order, is asked to make sure a zip disk
// is in the drive first and to take it out at the end, and a failure points at the cable or the drive.
class ZipAccessTest : public AccessTest {
 public:
  static constexpr const char* kStreamableName = "ZipAccessTest";

  ZipAccessTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ZipAccessTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
