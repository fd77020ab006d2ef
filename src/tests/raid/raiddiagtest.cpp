#include "tests/raid/raiddiagtest.h"

#include <algorithm>
#include <vector>

#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "framework/booleanparameter.h"
#include "framework/hexparameter.h"
#include "framework/numericparameter.h"
#include "framework/parameterlist.h"
#include "framework/testfactory.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/raid/raiddiagthread.h"

namespace rb {

namespace {

namespace record = arraylayout::diagresult;

constexpr const char* kBoardMessage =
    "The RAID board is not functioning correctly, see details for specific problem.";
constexpr int kSasGroup = 8;
constexpr int kDriveMapCode = 1;
constexpr int kPhyMapCode = 16;
constexpr int kLedGroup = 5;
constexpr int kRetentionGroup = 3;
constexpr int kTedBoardGroup = 10;
constexpr int kHotPlugSettleMilliseconds = 3000;

struct ErrorEntry {
  int code;
  const char* text;
};

constexpr ErrorEntry kErrors[] = {
    {2, "WCXC Interrupt Status"},
    {3, "Data Move Failed"},
    {4, "Data Fill Failed"},
    {5, "Data Move Corrupted"},
    {6, "Zero Detect"},
    {7, "Configure WCXC"},
    {8, "Surge Interrupt Status"},
    {40, "Loopback"},
    {43, "SCSI Not Found"},
    {51, "SCSI Cable Fault"},
    {52, "SCSI Bus Scan Failed"},
    {54, "LFSR Reset Failed"},
    {55, "LFSR Fill Failed"},
    {56, "LFSR Detect"},
    {57, "SCSI Command Timed Out"},
    {58, "SCSI Inquiry Failed"},
    {59, "SCSI Test Unit Ready Failed"},
    {60, "SCSI Configure Failed"},
    {68, "SCSI Start Unit Failed"},
    {69, "SCSI Read Failed"},
    {70, "SCSI Write Failed"},
    {71, "SCSI Data Mismatch"},
    {128, "SAS SMP failed"},
    {129, "SAS no SEP"},
    {130, "SAS SEP failed"},
    {131, "SAS rate failed"},
    {132, "SAS drive missing"},
    {133, "SAS write failed"},
    {134, "SAS read failed"},
    {135, "SAS compare failed"},
    {136, "SAS controller phy error"},
    {137, "SAS expander phy error"},
    {152, "PIC unlock error"},
    {160, "Invalid SGPIO data"},
    {161, "No external SGPIO data"},
    {162, "SAS loopback error"},
};

// The names of the SAS map parameters: internal maps 0-1, external maps 0-5.
std::string MapName(bool phyMaps, bool internal, std::size_t index) {
  const char* base = phyMaps ? (internal ? "SASIntPhyMap" : "SASExtPhyMap")
                             : (internal ? "SASINTDriveMap" : "SASEXTDriveMap");
  return StringPrintf("%s%d", base, static_cast<int>(index));
}

}  // namespace

const char* RaidDiagTest::ErrorText(int code) {
  if (code == 1) return "Data Mismatch";
  for (const ErrorEntry& entry : kErrors)
    if (entry.code == code) return entry.text;
  return "";
}

RaidDiagTest::RaidDiagTest() : RaidDiagTest(TestConfig{kStreamableName, kStreamableName, {}}) {}

RaidDiagTest::RaidDiagTest(const TestConfig& config)
    : Test(config.name, Translate(config.caption), Translate("RAID Firmware Diagnostic Test")),
      group_(ConfigCode(config, 0)),
      code_(ConfigCode(config, 1)) {
  capabilities_.interactive = group_ == kLedGroup || (group_ == kSasGroup && code_ == kDriveMapCode);
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "timeout", Translate("Timeout"), Translate("Timeout period at which this test will abort"),
      kDefaultTimeout, 1, 65535));
  if (group_ == kSasGroup && code_ == kPhyMapCode) {
    for (std::size_t i = 0; i < record::kInternalMaps; ++i)
      Parameters().Add(std::make_unique<HexParameter>(MapName(true, true, i),
                                                      Translate("SAS internal phy map"),
                                                      Translate("Specify phy map in hex"), "00000000"));
    for (std::size_t i = 0; i < record::kExternalMaps; ++i)
      Parameters().Add(std::make_unique<HexParameter>(MapName(true, false, i),
                                                      Translate("SAS external drive map"),
                                                      Translate("Specify phy map in hex"), "00000000"));
  }
  if (group_ == kSasGroup && code_ == kDriveMapCode) {
    Parameters().Add(std::make_unique<BooleanParameter>(
        "SASHotPlugTest", Translate("SAS hotplug test"),
        Translate("Verifies that the hotplug functionaly is working properly"), false));
    for (std::size_t i = 0; i < record::kInternalMaps; ++i)
      Parameters().Add(std::make_unique<HexParameter>(MapName(false, true, i),
                                                      Translate("SAS internal drive map"),
                                                      Translate("Specify drive map in hex"), "0000"));
    for (std::size_t i = 0; i < record::kExternalMaps; ++i)
      Parameters().Add(std::make_unique<HexParameter>(
          MapName(false, false, i), Translate("SAS external drive map"),
          Translate("Verifies SAS external storage box drive map with a user defined value"), "0000"));
  }
  // The TED board's exercise takes its diagnostic code and argument from these.
  if (group_ == kTedBoardGroup) {
    Parameters().Add(std::make_unique<NumericParameter<int>>("iterations", Translate("Iterations"),
                                                             Translate("Specify number of iterations"),
                                                             std::max(code_, 1), 1, 65535));
    Parameters().Add(std::make_unique<NumericParameter<int>>(
        "sectors", Translate("Sectors"), Translate("Specify Number of sectors to read"), 10, 1, 65535));
  }
}

void RaidDiagTest::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Test::Stream(stream, writing, version);
  const TestConfig config = TransferTestConfig(stream, *this, {group_, code_});
  if (!writing) Assign(RaidDiagTest(config));
}

void RaidDiagTest::Assign(const Persistent& other) {
  Test::Assign(other);
  if (const auto* test = dynamic_cast<const RaidDiagTest*>(&other)) {
    group_ = test->group_;
    code_ = test->code_;
  }
}

void RaidDiagTest::FailDiagnostic(const std::string& detail) {
  SetError(OruError(Translate(kBoardMessage), detail));
}

bool RaidDiagTest::Execute(const XmlObject&) {
  auto* controller = dynamic_cast<CissDevice*>(Owner());
  if (controller == nullptr) throw OruError(Translate("Backplane or Controller not supported"), Name());

  hotPlugRemoved_ = false;
  if (group_ == kSasGroup && code_ == kDriveMapCode &&
      Parameters().Find<BooleanParameter>("SASHotPlugTest")->Value()) {
    Prompt(Translate("Please remove all SAS drive from the box and click [OK]"), {Translate("OK")}, "button",
           "400", "150");
    os::Current().Sleep(kHotPlugSettleMilliseconds);
    hotPlugRemoved_ = true;
  }
  if (group_ == kLedGroup && code_ == 1)
    Prompt(Translate("Watch the controller LED"), {Translate("OK")}, "button", "400", "150");

  int code = code_;
  int argument = 0;
  const bool nonRetention = group_ == kRetentionGroup && code_ == kNonRetentionCode;
  if (nonRetention) code = 2;
  if (group_ == kTedBoardGroup) {
    code = Parameters().Find<NumericParameter<int>>("iterations")->Value();
    argument = Parameters().Find<NumericParameter<int>>("sectors")->Value();
  }

  auto thread = std::make_shared<RaidDiagThread>(*controller, static_cast<std::uint8_t>(group_),
                                                 static_cast<std::uint16_t>(code),
                                                 static_cast<std::uint16_t>(argument));
  thread->Start();
  DebugPrint("Do Run Thread PID %d\n", static_cast<int>(os::Current().GetCurrentThreadId()));
  SetProgress(10, 100);

  const int timeout = Parameters().Find<NumericParameter<int>>("timeout")->Value();
  int elapsed = 0;
  // A diagnostic the controller finished at once is judged without counting seconds; the thread is
  // joined before its record is read.
  bool finished = thread->WaitFirstAnswer();
  if (finished) thread->Wait();
  while (elapsed < timeout && !finished && !CancelRequested()) {
    os::Current().Sleep(1000);
    ++elapsed;
    SetOperationCaption(StringPrintf("%s%d %s %d", Translate("Time Out: ").c_str(), timeout,
                                     Translate("Elapsed time").c_str(), elapsed));
    SetProgress(static_cast<std::uint32_t>(elapsed * 90 / timeout + 10), 100);
    finished = thread->Done();
  }
  // The thread is never left running with the controller: a stop it cannot answer at once (a command
  // still with the controller) is waited for.
  if (!finished && !thread->Stop()) thread->Wait();
  if (CancelRequested() && !finished) return false;
  if (!finished) {
    FailDiagnostic(Translate("Timeout"));
    return false;
  }
  if (thread->Failed()) {
    SetError(*thread->Error());
    return false;
  }
  return Judge(thread->Result(), nonRetention);
}

bool RaidDiagTest::Judge(const std::vector<std::uint8_t>& result, bool nonRetention) {
  const int error = result.size() > record::kErrorCode ? result[record::kErrorCode] : 0;
  if (error != 1) DebugPrint("Error code %d\n", error);
  // Of the SAS group the map checks, the write/read/compare and the loop back have verdicts.
  if (group_ == kSasGroup && code_ != kDriveMapCode && code_ != kPhyMapCode && code_ != 2 && code_ != 32) {
    SetError(OruError(Translate("Invalid return code"),
                      StringPrintf("test = %d subtest = %d code = %d", group_, code_, error)));
    return false;
  }
  if (nonRetention) {
    if (error == 1) return true;
    if (error == 0) {
      FailDiagnostic(Translate("Data Retained With Battery Off"));
      return false;
    }
  }
  if (error != 0) {
    const char* text = ErrorText(error);
    FailDiagnostic(*text != '\0' ? Translate(text) : StringPrintf("Diagnostic Error #%d(%xh)", error, error));
    return false;
  }
  if (group_ == kLedGroup) {
    const std::string answer =
        Prompt(Translate("Did LED(s) blink"), {Translate("Yes"), Translate("No")}, "button", "400", "150");
    if (answer == Translate("No")) {
      SetError(OruError(Translate("Blink Controller LED test failed"), Name()));
      return false;
    }
    return true;
  }
  if (group_ == kSasGroup && (code_ == kPhyMapCode || code_ == kDriveMapCode))
    return CompareMaps(result, code_ == kPhyMapCode);
  return true;
}

bool RaidDiagTest::CompareMaps(const std::vector<std::uint8_t>& result, bool phyMaps) {
  for (const bool internal : {true, false}) {
    const std::size_t count = internal ? record::kInternalMaps : record::kExternalMaps;
    for (std::size_t i = 0; i < count; ++i) {
      const std::string name = MapName(phyMaps, internal, i);
      std::string expected = Parameters().Find<HexParameter>(name)->Value();
      // With the drives taken out for the hot-plug check, every external map must be empty.
      if (hotPlugRemoved_ && !internal) expected = "0000";
      if (expected.empty()) continue;
      const std::size_t at =
          phyMaps ? (internal ? record::kInternalPhyMaps : record::kExternalPhyMaps) + 4 * i
                  : (internal ? record::kInternalDriveMaps : record::kExternalDriveMaps) + 2 * i;
      const std::uint32_t value =
          phyMaps ? arraylayout::Get32(result.data(), at) : arraylayout::Get16(result.data(), at);
      if (value != HexParameter::Parse(expected)) {
        const std::string caption = Parameters().Find<HexParameter>(name)->Caption();
        SetError(
            OruError(Translate("Data Mismatch"),
                     StringPrintf("%s%d -actual = %s, expected = %s", caption.c_str(), static_cast<int>(i),
                                  StringPrintf(phyMaps ? "%08X" : "%04X", value).c_str(), expected.c_str())));
        return false;
      }
      DebugPrint(phyMaps ? (internal ? "SAS int phy(%d) map passed!\n" : "SAS ext phy(%d) map passed!\n")
                         : (internal ? "SAS int drive map(%d) passed!\n" : "SAS ext drive map(%d) passed!\n"),
                 static_cast<int>(i));
    }
  }
  return true;
}

}  // namespace rb
