#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// Compares the PCI vendor and device identifiers in the controller's local NVRAM header (controller part
// 128, controllers/nvramlayout.h) with the identifiers the parameters expect.
class LocalNvramHeaderTest : public Test {
 public:
  static constexpr const char* kStreamableName = "LocalNvramHeaderTest";

  LocalNvramHeaderTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<LocalNvramHeaderTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
