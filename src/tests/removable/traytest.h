#pragma once

#include <memory>
#include <string>

#include "tests/removable/removablemediatest.h"

namespace rb {

// The tray mechanism: the operator takes the disc out, the tray opens and closes, and the operator says
// whether it did. A refused eject fails with "Tray could not be ejected".
class TrayTest : public RemovableMediaTest {
 public:
  static constexpr const char* kStreamableName = "TrayTest";

  TrayTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<TrayTest>(); }
  bool Execute(const XmlObject& command) override;
  bool LocksDevice() const override { return true; }
};

}  // namespace rb
