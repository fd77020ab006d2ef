#include "controllers/cisstestlist.h"

#include "controllers/arrayboards.h"
#include "support/stringutil.h"

namespace rb {

namespace {

namespace boards = arrayboards;

struct Row {
  int row;
  std::vector<CissTestEntry> tests;
};

CissTestEntry Named(int row, std::string_view testClass, std::string caption, std::string name,
                    std::vector<int> codes = {}) {
  return {row, testClass, std::move(name), std::move(caption), std::move(codes)};
}

// A test listed by its class alone: class, name and caption are the same.
CissTestEntry Plain(int row, std::string_view testClass) {
  return {row, testClass, std::string(testClass), std::string(testClass), {}};
}

std::vector<Row> AllRows(const CissBoardFacts& facts) {
  const bool storageBox = boards::IsStorageBoxBoard(facts.board);
  std::vector<Row> rows;
  rows.push_back({1,
                  {Plain(1, "ScsiInsertTest"), Plain(1, "ScsiBusSpeedTest"), Plain(1, "BlinkLEDTest"),
                   Named(1, "LEDColorTest", "ColorLEDTest", "ColorLEDTest"), Plain(1, "ScsiEraseConfigTest"),
                   Plain(1, "ScsiRemovalTest")}});
  rows.push_back({2, {Plain(2, "DownloadTest")}});
  rows.push_back({3, {Named(3, "NVRAMTest", "Controller MFG NVRAM test", "ctrlMFGNvramTest", {129})}});
  rows.push_back({4,
                  {Named(4, "RaidDiagFirmwareVersionCheck", "Diagnostics Firmware Version Test",
                         "NvramDiagFwVerTest")}});
  rows.push_back({5, {Named(5, "NVRAMTest", "Controller cache NVRAM test", "ctrlCacheNvramTest", {131})}});
  rows.push_back(
      {6, {Named(6, "ExpressLinkWidthTest", "PCI express link width test", "ExpressLinkWidthTest")}});
  rows.push_back(
      {7,
       {Named(7, "RaidDiagTest", "Controller Memory, MOVING INV LONG Test", "ControllerMemTestMIL", {1, 1}),
        Named(7, "RaidDiagTest", "Controller Memory, MOVING INV TURBO Test", "ControllerMemTestMIT", {1, 2}),
        Named(7, "RaidDiagTest", "Controller Memory, FBT Test", "ControllerMemTestFBT", {1, 4})}});
  rows.push_back(
      {8,
       {Named(8, "RaidDiagTest", "Full system memory, MOVING INV LONG Test", "fullSysMemTestMIL", {9, 1}),
        Named(8, "RaidDiagTest", "Full system memory, MOVING INV TURBO Test", "fullSysMemTestMIT", {9, 2}),
        Named(8, "RaidDiagTest", "Full system memory, FBT Test", "fullSysMemTestFBT", {9, 4})}});
  rows.push_back({9,
                  {Named(9, "RaidDiagTest", "Cache, MOVING INV LONG Test", "CacheMIL", {2, 1}),
                   Named(9, "RaidDiagTest", "Cache, MOVING INV TURBO Test", "CacheMIT", {2, 2}),
                   Named(9, "RaidDiagTest", "Cache, FBT Test", "CacheFBT", {2, 4}),
                   Named(9, "RaidDiagTest", "Cache, RANDOM BUS MASTER Test", "CacheRBM", {2, 8}),
                   Named(9, "RaidDiagTest", "Cache, ADDRESS BUS MASTER Test", "CacheABM", {2, 16})}});
  rows.push_back({10, {Named(10, "RaidDiagTest", "Cache, LFSR Test", "CacheLFSR", {2, 32})}});
  rows.push_back({11,
                  {Named(11, "RaidDiagNVRAM", "Background Task Disable", "BackgroundTaskDisable", {152}),
                   Named(11, "RaidDiagNVRAM", "Background Task Enable", "BackgroundTaskEnable", {153})}});
  rows.push_back(
      {12,
       {Named(12, "RaidDiagTest", "Data Retention, Battery On Data Write Test",
              "DataRetentionBattOnDataWrite", {3, 1}),
        Named(12, "RaidDiagTest", "Data Retention, Verify Test", "DataRetentionVerify", {3, 2}),
        Named(12, "RaidDiagTest", "Data Non-Retention, Verify Test", "DataNonRetentionVerify", {3, 255}),
        Named(12, "RaidDiagTest", "Data Retention, Set Battery On Test", "DataRetentionSetBatteryOn", {3, 4}),
        Named(12, "RaidDiagTest", "Data Retention, Set Battery Off Test", "DataRetentionSetBatteryOff",
              {3, 8})}});
  rows.push_back(
      {13, {Named(13, "RaidDiagTest", "Loop Back, 1/2 Subtest", "Loop Back, 1/2 Subtest", {4, 3})}});
  rows.push_back(
      {14,
       {Named(14, "RaidDiagTest", "Controller LED Test", "ControllerLedTest", {5, storageBox ? 1 : -1})}});
  rows.push_back({15,
                  {Named(15, "RaidDiagTest", "SGPIO test", "SGPIOTest", {7, -1}),
                   Named(15, "RaidDiagTest", "SAS loopback test", "SASLoopbackTest", {8, 32}),
                   Named(15, "RaidDiagTest", "SAS Write/Read/Compare test", "SASWRCTest", {8, 2}),
                   Named(15, "RaidDiagTest", "SAS TED board Write/Read/Compare test", "SASTEDBoardWRCTest",
                         {10, 200})}});
  rows.push_back(
      {16,
       {Named(16, "NVRAMTest", "Controller battery(1) NVRAM test", "contrllerBattery1NvramTest", {133}),
        Named(16, "NVRAMTest", "Controller battery(2) NVRAM test", "contrllerBattery2NvramTest", {134}),
        Named(16, "NVRAMTest", "Controller battery(3) NVRAM test", "contrllerBattery3NvramTest", {135})}});
  rows.push_back({17, {Plain(17, "SASJBODPSoCTest"), Plain(17, "SASJBODWWNTest")}});
  rows.push_back({18,
                  {Named(18, "SESNVRAMTest", "SES IO MFG NVRAM test", "SESIOMFGNVRAMTest", {3}),
                   Named(18, "SESNVRAMTest", "SES backplane(1) NVRAM test", "SESBP1NVRAMTest", {5}),
                   Named(18, "SESNVRAMTest", "SES backplane(2) NVRAM test", "SESBP2NVRAMTest", {6}),
                   Named(18, "SESNVRAMTest", "SES midplane NVRAM test", "SESMPNVRAMTest", {4})}});
  rows.push_back({19,
                  {Named(19, "RaidDiagTest", "SAS drive map test", "SASDriveMapTest", {8, 1}),
                   Named(19, "RaidDiagTest", "SAS phy map test", "SASPhyMapTest", {8, 16})}});
  rows.push_back({20,
                  {Named(20, "SESNVRAMTest", "SES serial number test", "SESSerialNumberTest", {8}),
                   Named(20, "SESNVRAMTest", "SES temperature status test", "SESTempStatusTest", {2}),
                   Named(20, "SESNVRAMTest", "SES fan status test", "SESFantatusTest", {1}),
                   Named(20, "SESNVRAMTest", "SES power supply status test", "SESPSStatusTest", {0})}});
  const auto loadCurrent = [](int row, int battery, int code) {
    return Named(row, "LoadCurrentTest", StringPrintf("%s%d", "Load current battery test ", battery),
                 StringPrintf("%s%d", "LoadCurrentTest", battery), {code});
  };
  rows.push_back({21, {loadCurrent(21, 1, 193)}});
  rows.push_back({22, {loadCurrent(22, 2, 195), loadCurrent(22, 3, 197)}});
  rows.push_back({23,
                  {Named(23, "SESLEDTest", "SGPIO backplane Led test", "SGPIOBPLEDTest", {5, 128, 256, 64}),
                   Named(23, "SESLEDTest", "Non SGPIO backplane Led test", "NonSGPIOBPLEDTest",
                         {15, storageBox ? 1 : 32, 64, 16})}});
  rows.push_back({24, {Named(24, "SESLEDTest", "SES UID LED-button test", "SESUIDLEDTest", {15, 8, 0, 0})}});
  rows.push_back({25, {Plain(25, "SASEccCntTest"), Plain(25, "SASControllerLEDTest")}});
  rows.push_back(
      {26,
       {Named(26, "SESNVRAMTest", "Expander(1) PHY attribute check", "exp1PhyAttributeCheck", {10}),
        Named(26, "SESNVRAMTest", "Expander(2) PHY attribute check", "exp2PhyAttributeCheck", {11}),
        Named(26, "SESNVRAMTest", "Write product id", "writeProductID", {12})}});
  rows.push_back({27, {Named(27, "wwidRangeCheckTest", "wwidRangeCheck", "wwidRangeCheck")}});
  rows.push_back({28,
                  {Plain(28, "ExpPhySpeedMapTest"), Plain(28, "ControllerPhySpeedMapTest"),
                   Plain(28, "PICInterruptLineTest"), Plain(28, "ExtSasNoTEDBoardTest")}});
  rows.push_back({29, {Named(29, "CissCmdDebugger", "Ciss Command Debugger", "cmdDebugger")}});
  rows.push_back({30, {Plain(30, "VerifyWWIDTest")}});
  return rows;
}

// Whether a row is made for the controller.
bool Selected(int row, const CissBoardFacts& facts, bool sgpioRowMade) {
  const std::uint32_t board = facts.board;
  const bool all = facts.allTests;
  const bool storageBox = boards::IsStorageBoxBoard(board);
  if (!all && !boards::IsLegacyBoard(board) && !boards::IsSasBoard(board)) return row == 1 || row == 30;
  switch (row) {
    case 2:
      return all || facts.supported;
    case 5:
      return all || facts.installedMemory > 0 ||
             (board == boards::kMemoryCheckedLegacy.id && facts.totalMemory > 0);
    case 8:
      return all || (boards::IsSasBoard(board) && board != boards::kPlainSas.id);
    case 10:
      return all || boards::IsReducedMemoryBoard(board);
    case 12:
      return all || facts.installedMemory > 0;
    case 16:
    case 21:
    case 28:
      return all || storageBox;
    case 22:
      return all || board == boards::kThreeTestStorageBox.id;
    case 23:
      return all || facts.sgpioBackplanes;
    case 24:
      return sgpioRowMade || !storageBox;
    default:
      return true;
  }
}

}  // namespace

std::vector<CissTestEntry> CissTestList(const CissBoardFacts& facts) {
  std::vector<CissTestEntry> list;
  bool sgpioRowMade = false;
  for (Row& row : AllRows(facts)) {
    if (!Selected(row.row, facts, sgpioRowMade)) continue;
    if (row.row == 23) sgpioRowMade = true;
    for (CissTestEntry& entry : row.tests) list.push_back(std::move(entry));
  }
  return list;
}

std::vector<std::string_view> CissTestNames(const std::vector<CissTestEntry>& list) {
  std::vector<std::string_view> names;
  for (const CissTestEntry& entry : list) names.push_back(entry.name);
  return names;
}

}  // namespace rb
