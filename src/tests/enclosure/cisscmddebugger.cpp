#include "tests/enclosure/cisscmddebugger.h"

#include <vector>

#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "devices/scsi/scsicommandrecord.h"
#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/enclosure/controllersignals.h"
#include "tests/enclosure/residentdiagnostic.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

namespace layout = arraylayout;

constexpr std::uint8_t kSgpioGroup = 7;
constexpr std::uint16_t kEnablePhys = 128;
constexpr std::uint8_t kProcessor = 0x03;
constexpr std::uint8_t kEnclosureServices = 0x0D;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    text += StringPrintf(i % 16 == 15 || i + 1 == bytes.size() ? "%02x\n" : "%02x ", bytes[i]);
  return text;
}

// INQUIRY of the first physical LUN that is a processor or enclosure-services device.
std::vector<std::uint8_t> SesInquiry(CissDevice& controller) {
  for (const CissLun& lun : controller.PhysicalLuns()) {
    std::vector<std::uint8_t> reply(96, 0);
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, static_cast<std::uint8_t>(reply.size()), 0};
    try {
      controller.SendToLun(lun, cdb, sizeof cdb, reply.data(), static_cast<std::uint32_t>(reply.size()), kDataIn);
    } catch (const OruError&) {
      continue;
    }
    const std::uint8_t type = reply[0] & 0x1F;
    if (type == kProcessor || type == kEnclosureServices) return reply;
  }
  throw OruError(Translate("Device not found"), "intSESDevInquiry");
}

}  // namespace

CissCmdDebugger::CissCmdDebugger(const TestConfig& config)
    : EnclosureTest(config.name, config.caption, "Sends a specified command to the controller", config.codes) {
  Parameters().Add(std::make_unique<StringParameter>("command", Translate("Command"),
                                                     Translate("The command keyword"), "readSiliconRev"));
}

CissCmdDebugger::CissCmdDebugger() : CissCmdDebugger(TestConfig{"cmdDebugger", "Ciss Command Debugger", {}}) {}

bool CissCmdDebugger::Execute(const XmlObject&) {
  const std::string keyword = Trim(TextValue(Parameters(), "command", ""));
  CissDevice& controller = Controller();
  if (keyword == "readSiliconRev" || keyword == "readExpSiliconRev") {
    Output() << Hex(controller.AsicRevisions());
  } else if (keyword == "readExpWWID") {
    Output() << Hex(controller.WorldWideNames());
  } else if (keyword == "intSESDevInquiry") {
    Output() << Hex(SesInquiry(controller));
  } else if (keyword == "intBPLEDBlinking" || keyword == "extBPLEDBlinking") {
    const std::uint8_t error =
        RunResidentDiagnostic(controller, kSgpioGroup, keyword == "intBPLEDBlinking" ? 1 : 2);
    Output() << StringPrintf("Diagnostic error code %02Xh\n", error);
    if (error != 0) return Fail("Data Mismatch", StringPrintf("%s: error code %02Xh", keyword.c_str(), error));
  } else if (keyword == "readPICLineInterruptCondition") {
    Output() << PicLineText(ReadPicInterruptLine(controller)) << '\n';
  } else if (keyword == "enablePHY") {
    const std::uint8_t error = RunResidentDiagnostic(controller, kSasDiagnosticGroup, kEnablePhys);
    Output() << StringPrintf("Diagnostic error code %02Xh\n", error);
    if (error != 0) return Fail("Data Mismatch", StringPrintf("%s: error code %02Xh", keyword.c_str(), error));
  } else {
    return Fail("Unknown command", keyword);
  }
  return true;
}

}  // namespace rb
