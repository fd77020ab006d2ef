#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// An ATA disk's failure prediction, from SMART RETURN STATUS; the drive's SMART operations are left as
// they were found.
class IdeSmartErrTest : public Test {
 public:
  static constexpr const char* kStreamableName = "IdeSmartErrTest";

  IdeSmartErrTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<IdeSmartErrTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
