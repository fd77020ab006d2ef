#include "tests/raid/raiddiagfirmwareversioncheck.h"

#include "controllers/cissdevice.h"
#include "framework/hexparameter.h"
#include "framework/parameterlist.h"
#include "framework/testfactory.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

namespace {

constexpr const char* kByte0 = "DiagFWVersionByte0";
constexpr const char* kByte1 = "DiagFWVersionByte1";

}  // namespace

RaidDiagFirmwareVersionCheck::RaidDiagFirmwareVersionCheck()
    : RaidDiagFirmwareVersionCheck(TestConfig{kStreamableName, kStreamableName, {}}) {}

RaidDiagFirmwareVersionCheck::RaidDiagFirmwareVersionCheck(const TestConfig& config)
    : Test(config.name, Translate(config.caption), Translate(config.caption)) {
  capabilities_.romTest = true;
  Parameters().Add(std::make_unique<HexParameter>(
      kByte0, Translate("Diagnostics Firmware Version Byte 0"),
      Translate("This Parameter takes the first Byte to compare against Firmware Version"), "0"));
  Parameters().Add(std::make_unique<HexParameter>(
      kByte1, Translate("Diagnostics Firmware Version Byte 1"),
      Translate("This Parameter takes the second Byte to compare against Firmware Version"), "0"));
}

void RaidDiagFirmwareVersionCheck::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Test::Stream(stream, writing, version);
  const TestConfig config = TransferTestConfig(stream, *this, {});
  if (!writing) Assign(RaidDiagFirmwareVersionCheck(config));
}

bool RaidDiagFirmwareVersionCheck::Execute(const XmlObject&) {
  auto* controller = dynamic_cast<CissDevice*>(Owner());
  if (controller == nullptr) throw OruError(Translate("Backplane or Controller not supported"), Name());
  const std::array<std::uint8_t, 2> version = controller->DiagnosticRomVersion();
  const std::uint32_t byte0 = Parameters().Find<HexParameter>(kByte0)->Number();
  const std::uint32_t byte1 = Parameters().Find<HexParameter>(kByte1)->Number();
  if (version[1] == byte1 && version[0] == byte0) return true;
  SetError(
      OruError(Translate("Diagnostics Firmware Version MisMatch"),
               StringPrintf("Diagnostics Firmware Version %02x%02x does not match user defined version of %s",
                            version[1], version[0], StringPrintf("%02x%02x", byte1, byte0).c_str())));
  return false;
}

}  // namespace rb
