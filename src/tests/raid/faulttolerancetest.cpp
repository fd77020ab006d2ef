#include "tests/raid/faulttolerancetest.h"

#include <vector>

#include "controllers/arraylayouts.h"
#include "controllers/bmicdevice.h"
#include "controllers/logicalvolume.h"
#include "controllers/raiddisk.h"
#include "devices/diskwritehold.h"
#include "framework/enumerationparameter.h"
#include "framework/numericparameter.h"
#include "framework/parameterlist.h"
#include "framework/testfactory.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/randomnumber.h"
#include "support/stringutil.h"

namespace rb {

namespace {

constexpr const char* kLevelParameter = "FaultTolerance";
constexpr const char* kTimeoutParameter = "Timeout";
constexpr const char* kSizeParameter = "VolumeSize";
constexpr int kMostMinutes = 24 * 60;
constexpr int kMostMegabytes = 1024 * 1024;

// Recovery is still under way while the volume reports one of these.
bool Recovering(std::uint8_t status) {
  return status == 3 || status == 4 || status == 5;
}

// The pattern of the chunk that starts at `first`: 64-bit values from a generator seeded with the
// chunk's first block, so that the read-back can make it again.
void FillPattern(std::vector<std::uint8_t>& buffer, std::uint64_t first) {
  cRandomNumber random(static_cast<std::uint32_t>(first));
  for (std::size_t offset = 0; offset + 8 <= buffer.size(); offset += 8) {
    const std::uint64_t value = random.Next64();
    for (int i = 0; i < 8; ++i) buffer[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

unsigned long long Ull(std::uint64_t value) {
  return static_cast<unsigned long long>(value);
}

}  // namespace

FaultToleranceTest::FaultToleranceTest()
    : Test("FaultToleranceTest", Translate("Fault Tolerance Test"),
           Translate("Verifies the fault tolerance (RAID) capability of an array controller")) {
  capabilities_.destructive = true;
  auto level = std::make_unique<EnumerationParameter>(
      kLevelParameter, Translate("Fault Tolerance"),
      Translate("Fault Tolerance (RAID) level at which the controller should be tested"), "RAID1");
  level->AddOption(EnumOption("RAID1", Translate("RAID 1"), Translate("RAID 1 - Mirrored")));
  level->AddOption(EnumOption("RAID5", Translate("RAID 5"), Translate("RAID 5 - Distributed Data Guard")));
  Parameters().Add(std::move(level));
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      kTimeoutParameter, Translate("RAID Recovery Timeout (minutes)"),
      Translate("Minutes to wait for the RAID test volume to recover before timeout failure"), 30, 1,
      kMostMinutes));
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      kSizeParameter, Translate("Test Volume Size (MB)"),
      Translate("A RAID volume of this size, in megabytes, is created for test purposes only, then deleted "
                "when the test completes"),
      16, 1, kMostMegabytes));
}

void FaultToleranceTest::Prepare(const XmlObject& command) {
  Test::Prepare(command);
  judged_ = false;
}

bool FaultToleranceTest::Execute(const XmlObject&) {
  if (judged_) {
    Output() << Translate("The first attempt's verdict stands: the controller is not tested again") << '\n';
    return false;
  }
  auto* controller = dynamic_cast<BmicDevice*>(Owner());
  if (controller == nullptr) throw OruError(Translate("Backplane or Controller not supported"), Name());
  const bool raid5 = Parameters().Find<EnumerationParameter>(kLevelParameter)->Value() == "RAID5";
  const std::size_t needed = raid5 ? 3 : 2;
  controller->RereadAssignedDrives();
  std::vector<RaidDisk*> drives = controller->UnassignedDisks();
  if (drives.size() < needed) {
    SetError(OruError(
        Translate("Unable to create the test volume"),
        StringPrintf("%s: %u %s, %u %s", controller->Name().c_str(), static_cast<unsigned>(drives.size()),
                     "unassigned drives", static_cast<unsigned>(needed), "needed")));
    return false;
  }
  drives.resize(needed);
  const std::uint32_t blockSize = drives.front()->BlockSize();
  const auto megabytes =
      static_cast<std::uint64_t>(Parameters().Find<NumericParameter<int>>(kSizeParameter)->Value());
  const auto blocks =
      static_cast<std::uint32_t>(megabytes * 1024 * 1024 / (blockSize == 0 ? 512 : blockSize));

  DebugPrint("FaultToleranceTest: Creating test volume\n");
  const std::unique_ptr<LogicalVolume> volume = controller->CreateLogicalVolume(
      raid5 ? arraylayout::kFaultToleranceRaid5 : arraylayout::kFaultToleranceRaid1, drives, blocks);
  Output() << StringPrintf("%s %s\n", Translate("Test volume").c_str(), volume->Name().c_str());

  // However the steps end, the controller is left as it was found: no test volume, background
  // activity on.
  bool paused = false;
  bool passed = false;
  try {
    passed = Exercise(*controller, *volume, *drives.front(), paused);
  } catch (const OruError&) {
    try {
      controller->DeleteLogicalVolume(volume->LogicalDrive());
      if (paused) controller->SetBackgroundTasks(true);
    } catch (const OruError& cleanup) {
      DebugPrint("FaultToleranceTest: cleanup failed: %s %s\n", cleanup.Message().c_str(),
                 cleanup.Detail().c_str());
    }
    throw;
  }
  controller->DeleteLogicalVolume(volume->LogicalDrive());
  if (paused) controller->SetBackgroundTasks(true);
  return passed;
}

bool FaultToleranceTest::Exercise(BmicDevice& controller, LogicalVolume& volume, RaidDisk& victim,
                                  bool& paused) {
  if (!WritePattern(volume)) return false;

  DebugPrint("FaultToleranceTest: Pausing background activity\n");
  paused = true;
  controller.SetBackgroundTasks(false);

  if (CancelRequested()) return false;
  Corrupt(victim);
  if (CancelRequested()) return false;

  DebugPrint("FaultToleranceTest: Resetting the array controller\n");
  controller.Reset();

  const std::uint8_t status = AwaitRecovery(volume);
  if (CancelRequested()) return false;
  if (status != arraylayout::kVolumeOk) {
    SetError(OruError(Translate("RAID Recovery Failure"),
                      Translate("Volume Status") + ": " + Translate(LogicalVolume::StatusText(status))));
    judged_ = true;
    return false;
  }
  return VerifyPattern(volume);
}

bool FaultToleranceTest::WritePattern(LogicalVolume& volume) {
  const std::uint64_t blocks = volume.BlockCount();
  const std::uint32_t blockSize = volume.BlockSize();
  chunks_ = blocks / kChunkBlocks;
  DebugPrint("FaultToleranceTest: Writing test pattern to logical volume %s\n", volume.Name().c_str());
  const std::unique_ptr<DiskWriteHold> hold = volume.HoldForWriting();
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kChunkBlocks) * blockSize);
  const std::uint64_t total = 2 * chunks_ * kChunkBlocks;
  for (std::uint64_t first = 0; first + kChunkBlocks - 1 < blocks; first += kChunkBlocks) {
    if (CancelRequested()) return false;
    FillPattern(buffer, first);
    DebugPrint("  writing block %llu   Progress=%d/%d\r", Ull(first), static_cast<int>(first),
               static_cast<int>(total));
    volume.Access(BlockDevice::kWrite, first, kChunkBlocks, buffer.data());
    SetProgress(static_cast<std::uint32_t>(first + kChunkBlocks), static_cast<std::uint32_t>(total));
  }
  Output() << StringPrintf("%s: %llu %s\n", Translate("Test pattern written").c_str(),
                           Ull(chunks_ * kChunkBlocks), Translate("blocks").c_str());
  return true;
}

void FaultToleranceTest::Corrupt(RaidDisk& drive) {
  DebugPrint("FaultToleranceTest: Writing garbage to physical drive %s\n", drive.Name().c_str());
  const std::uint32_t blockSize = drive.BlockSize();
  // The last block is drawn as well, never one past it.
  const std::uint64_t last = drive.LastBlockAddress();
  std::vector<std::uint8_t> garbage(blockSize);
  cRandomNumber fill(kGarbageSeed);
  for (std::size_t offset = 0; offset + 4 <= garbage.size(); offset += 4) {
    const std::uint32_t value = fill.Next();
    for (int i = 0; i < 4; ++i) garbage[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  cRandomNumber place(kPlaceSeed);
  const std::unique_ptr<DiskWriteHold> hold = drive.HoldForWriting();
  for (int write = 0; write < kGarbageWrites; ++write) {
    const std::uint64_t block = place.NextInRange64(last);
    DebugPrint("  writing block %llu\r", Ull(block));
    drive.Access(BlockDevice::kWrite, block, 1, garbage.data());
  }
}

std::uint8_t FaultToleranceTest::AwaitRecovery(LogicalVolume& volume) {
  DebugPrint("FaultToleranceTest: Waiting for recovery on test volume\n");
  const std::uint64_t limit =
      static_cast<std::uint64_t>(Parameters().Find<NumericParameter<int>>(kTimeoutParameter)->Value()) *
      60000;
  std::uint64_t waited = 0;
  for (;;) {
    volume.Refresh();
    const std::uint8_t status = volume.StatusCode();
    DebugPrint("  status: %s\n", LogicalVolume::StatusText(status));
    if (!Recovering(status) || waited >= limit || CancelRequested()) return status;
    os::Current().Sleep(kStatusPollMilliseconds);
    waited += kStatusPollMilliseconds;
  }
}

bool FaultToleranceTest::VerifyPattern(LogicalVolume& volume) {
  DebugPrint("FaultToleranceTest: Reading test pattern from logical volume %s\n", volume.Name().c_str());
  const std::uint32_t blockSize = volume.BlockSize();
  std::vector<std::uint8_t> expected(static_cast<std::size_t>(kChunkBlocks) * blockSize);
  std::vector<std::uint8_t> read(expected.size());
  const std::uint64_t total = 2 * chunks_ * kChunkBlocks;
  std::uint64_t mismatched = 0;
  std::uint64_t compared = 0;
  for (std::uint64_t chunk = 0; chunk < chunks_; ++chunk) {
    if (CancelRequested()) return false;
    const std::uint64_t first = chunk * kChunkBlocks;
    DebugPrint("  reading block %08llxh\r", Ull(first));
    volume.Access(BlockDevice::kRead, first, kChunkBlocks, read.data());
    FillPattern(expected, first);
    for (std::size_t i = 0; i < read.size(); ++i)
      if (read[i] != expected[i]) ++mismatched;
    compared += read.size();
    SetProgress(static_cast<std::uint32_t>(total / 2 + first + kChunkBlocks),
                static_cast<std::uint32_t>(total));
  }
  if (mismatched == 0) {
    Output() << StringPrintf("%s: %llu %s\n", Translate("Test pattern read back after recovery").c_str(),
                             Ull(compared / blockSize), Translate("blocks").c_str());
    return true;
  }
  SetError(OruError(Translate("RAID Data Corrupted"),
                    StringPrintf("%s:%d %s:%d %s:%.2f%%", Translate("Mismatched Bytes").c_str(),
                                 static_cast<int>(mismatched), Translate("Total Bytes").c_str(),
                                 static_cast<int>(compared), Translate("Error Rate").c_str(),
                                 static_cast<double>(mismatched) * 100.0 / static_cast<double>(compared))));
  judged_ = true;
  return false;
}

}  // namespace rb
