#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// Sends the one controller command its "command" parameter names and shows the reply:
//   readSiliconRev, readExpSiliconRev   the ASIC revisions (DCh)
//   readExpWWID                         the world wide names (DAh)
//   intSESDevInquiry                    INQUIRY of the controller's first enclosure-services LUN
//   intBPLEDBlinking, extBPLEDBlinking  the SGPIO diagnostic's internal (1) or external (2) backplane blink
//   readPICLineInterruptCondition       the PIC interrupt line (D6h)
//   enablePHY                           the SAS diagnostic that enables the phys (group 8, code 128)
// Any other keyword sends nothing and fails.
class CissCmdDebugger : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "CissCmdDebugger";

  explicit CissCmdDebugger(const TestConfig& config);
  CissCmdDebugger();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CissCmdDebugger>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
