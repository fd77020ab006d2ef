#pragma once

#include <memory>
#include <string>

#include "tests/removable/cdnomediatest.h"

namespace rb {

// The USB optical drive's no-media test: a drive with a disc first opens its tray and asks the operator
// to take the disc out, then closes it and checks again.
class CdUsbNoMediaTest : public CdNoMediaTest {
 public:
  static constexpr const char* kStreamableName = "CdUsbNoMediaTest";

  CdUsbNoMediaTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CdUsbNoMediaTest>(); }
  bool LocksDevice() const override { return true; }

 protected:
  bool MediumPresent() override;
};

}  // namespace rb
