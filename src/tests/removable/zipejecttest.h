#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// Ejects the zip drive's disk: the operator makes sure one is in, the drive ejects it and the operator
// says whether it came out. No disk fails with "Unit not ready"; a refused eject or a "No" fails with
// "Zip disk could not be ejected".
class ZipEjectTest : public Test {
 public:
  static constexpr const char* kStreamableName = "ZipEjectTest";

  ZipEjectTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ZipEjectTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
