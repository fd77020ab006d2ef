#include "tests/enclosure/residentdiagnostic.h"

#include <vector>

#include "controllers/cissdevice.h"
#include "support/debug.h"

namespace rb {

std::uint8_t RunResidentDiagnostic(CissDevice& controller, std::uint8_t group, std::uint16_t code) {
  controller.StartDiagnostic(group, code, 0);
  const std::vector<std::uint8_t> result = controller.DiagnosticResult();
  DebugPrint("diagnostic %d/%d error code %02x\n", group, code, result[1]);
  return result[1];
}

}  // namespace rb
