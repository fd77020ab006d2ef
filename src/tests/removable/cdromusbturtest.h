#pragma once

#include <memory>
#include <string>

#include "tests/removable/cdromturtest.h"

namespace rb {

// The USB optical drive's readiness test: an empty drive first asks the operator for a disc.
class CdromUsbTurTest : public CdromTURTest {
 public:
  static constexpr const char* kStreamableName = "CdromUsbTurTest";

  CdromUsbTurTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CdromUsbTurTest>(); }

 protected:
  bool Ready() override;
};

}  // namespace rb
