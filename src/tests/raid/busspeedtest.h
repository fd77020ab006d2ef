#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// Checks that a parallel-SCSI array disk runs its bus at no less than the width and speed the operator
// names. The speed ranks Asynchronous < Fast < Ultra < Ultra-2 < Ultra-3 < Ultra-4 by the disk's
// transfer-rate bits; the width is 16-bit when the older rates' wide bit is set.
class BusSpeedTest : public Test {
 public:
  static constexpr const char* kStreamableName = "BusSpeedTest";

  BusSpeedTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<BusSpeedTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
