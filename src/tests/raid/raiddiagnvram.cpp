#include "tests/raid/raiddiagnvram.h"

#include "controllers/arrayboards.h"
#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "framework/parameterlist.h"
#include "framework/testfactory.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

namespace {

struct Area {
  int code;
  std::uint8_t address;
  const char* name;
  const char* failure;
};

constexpr Area kAreas[] = {
    {1, 0xA1, "Host Result", "Host Result NVRAM Programmed Incorrectly, "},
    {2, 0xA9, "Cache Result", "Cache Result Programmed Incorrectly "},
    {3, 0xA3, "DAUGHTERCARD NVRAM", "Daughter Card Programmed Incorrectly"},
};

}  // namespace

RaidDiagNVRAM::RaidDiagNVRAM() : RaidDiagNVRAM(TestConfig{kStreamableName, kStreamableName, {}}) {}

RaidDiagNVRAM::RaidDiagNVRAM(const TestConfig& config)
    : Test(config.name, Translate(config.caption), Translate(config.caption)), code_(ConfigCode(config, 0)) {}

void RaidDiagNVRAM::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Test::Stream(stream, writing, version);
  const TestConfig config = TransferTestConfig(stream, *this, {code_});
  if (!writing) Assign(RaidDiagNVRAM(config));
}

void RaidDiagNVRAM::Assign(const Persistent& other) {
  Test::Assign(other);
  if (const auto* test = dynamic_cast<const RaidDiagNVRAM*>(&other)) code_ = test->code_;
}

std::string RaidDiagNVRAM::CheckArea(const std::vector<std::uint8_t>& area) {
  bool marked = false;
  for (std::size_t i = 0; i + 3 < area.size() && !marked; ++i)
    marked = area[i] == 'j' && area[i + 1] == '>' && area[i + 3] == 'x';
  if (!marked) return "Check Sum Not Found";
  std::uint16_t sum = 0;
  for (std::size_t i = kChecksumStart; i < area.size(); ++i) sum = static_cast<std::uint16_t>(sum + area[i]);
  if ((sum & 0xFF) == 0) return "";
  DebugPrint("checksum is equal to %d\n", sum);
  return "First Check Sum Does Not Sum To Zero";
}

bool RaidDiagNVRAM::CheckNvram(std::uint8_t address, const char* area, std::uint32_t length) {
  auto* controller = dynamic_cast<CissDevice*>(Owner());
  if (controller == nullptr) throw OruError(Translate("Backplane or Controller not supported"), Name());
  if (length > kMostBytes) {
    SetError(OruError(Translate("Unable To Allocate Memory"), Translate(area)));
    return false;
  }
  std::vector<std::uint8_t> data(length, 0);
  controller->SendVendorCommand(arraylayout::kVendorI2cAccess, address,
                                arrayboards::IsStorageBoxBoard(controller->BoardId()), data.data(), length,
                                kDataIn);
  const std::string problem = CheckArea(data);
  if (problem.empty()) return true;
  SetError(OruError(Translate(area), Translate(problem)));
  return false;
}

bool RaidDiagNVRAM::Execute(const XmlObject&) {
  for (const Area& area : kAreas)
    if (area.code == code_) return CheckNvram(area.address, area.failure, kAreaBytes);
  if (code_ == kBackgroundDisableCode || code_ == kBackgroundEnableCode) {
    auto* controller = dynamic_cast<BmicDevice*>(Owner());
    if (controller == nullptr) throw OruError(Translate("Backplane or Controller not supported"), Name());
    controller->SetBackgroundTasks(code_ == kBackgroundEnableCode);
    return true;
  }
  DebugPrint("\n HEY BAD NVRAM TEST");
  SetError(OruError(Translate("Invalid parameter list"), StringPrintf("%s: %d", Name().c_str(), code_)));
  return false;
}

}  // namespace rb
