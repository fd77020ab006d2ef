#pragma once

#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

// A disk that must support SMART: one that does not fails; one that does is asked for its failure
// prediction. An ATA disk tells its support in its identify data, a SCSI disk by keeping the
// informational exceptions log page.
class SMARTCheckTest : public Test {
 public:
  static constexpr const char* kStreamableName = "SMARTCheckTest";

  SMARTCheckTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SMARTCheckTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
