#pragma once

#include <memory>
#include <string>

#include "tests/removable/removablemediatest.h"

namespace rb {

// Whether the drive notices that its disc was taken out: the tray opens, the operator removes the disc
// (the prompt is the "Custom Prompt" parameter), the tray closes, and a drive that still reports a
// medium fails with "Optical media change not detected" (unless "RemovedElseFail" is off).
class CDRemoveVerificationTest : public RemovableMediaTest {
 public:
  static constexpr const char* kStreamableName = "CDRemoveVerificationTest";

  CDRemoveVerificationTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CDRemoveVerificationTest>(); }
  bool Execute(const XmlObject& command) override;
  bool LocksDevice() const override { return true; }
};

}  // namespace rb
