// The access test on the simulated machine: the address sequences of each order, the defaults and
// checks of the parameters, and save-write-read-compare-restore leaving the medium as it was whatever
// ends an access (a write fault, a read-back fault, a miscompare, a cancel), compared block by block.
#include "tests/accesstest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "devices/diskwritehold.h"
#include "devices/scsi/scsidisk.h"
#include "devices/scsi/scsidriver.h"
#include "framework/ptstream.h"
#include "platform/forwardingplatform.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/scsi/simblockstore.h"
#include "platform/sim/simplatform.h"
#include "support/oruerror.h"
#include "support/randomnumber.h"
#include "support/xmlobject.h"
#include "tests/accessplan.h"

namespace {

using Steps = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

Steps Walk(const char* order, std::uint64_t start, std::uint64_t end, std::uint64_t count, std::uint64_t skip,
           std::uint64_t blocks) {
  const rb::AccessPlan plan(order, start, end, count, skip, blocks);
  rb::cRandomNumber random(7);
  Steps steps;
  for (std::uint64_t i = 0; i <= plan.FullAccesses(); ++i) {
    const rb::AccessPlan::Step step = plan.At(i, random);
    steps.emplace_back(step.address, step.blocks);
  }
  return steps;
}

TEST(AccessPlan, AddressSequencesOfEachOrder) {
  constexpr std::uint64_t kHigh = 1ull << 32;
  const struct {
    const char* order;
    std::uint64_t start, end, count, skip, blocks;
    Steps steps;
  } cases[] = {
      // N = 2, R = 2: the remainder goes where the last full access began.
      {"SEQUENTIAL", 0, 10, 10, 0, 4, {{0, 4}, {4, 4}, {4, 2}}},
      {"SEQUENTIAL", 100, 130, 30, 6, 4, {{100, 4}, {110, 4}, {120, 4}, {120, 0 + 4}}},
      {"BUTTERFLY", 0, 100, 16, 0, 4, {{0, 4}, {98, 2}, {4, 4}, {94, 4}, {6, 4}}},
      {"RANDOM", 42, 42, 12, 0, 4, {{42, 1}, {42, 1}, {42, 1}, {42, 1}}},
      // Beyond 2^32 blocks nothing is cut to 32 bits.
      {"SEQUENTIAL", kHigh + 8, kHigh + 16, 8, 0, 4, {{kHigh + 8, 4}, {kHigh + 12, 4}, {kHigh + 12, 4}}},
      {"BUTTERFLY", kHigh, kHigh + 100, 8, 0, 4, {{kHigh, 4}, {kHigh + 98, 2}, {kHigh + 2, 4}}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Walk(c.order, c.start, c.end, c.count, c.skip, c.blocks), c.steps) << c.order << " " << c.start;

  // Random addresses stay within [start, end) and never reach past the end block, also above 2^32.
  const rb::AccessPlan random("RANDOM", kHigh * 3, kHigh * 3 + 1000, 4000, 0, 8);
  rb::cRandomNumber generator(3);
  for (std::uint64_t i = 0; i <= random.FullAccesses(); ++i) {
    const rb::AccessPlan::Step step = random.At(i, generator);
    ASSERT_GE(step.address, kHigh * 3);
    ASSERT_LE(step.address + step.blocks, kHigh * 3 + 1000);
    ASSERT_GE(step.blocks, 1u);
  }

  const rb::OruError invalid = [] {
    try {
      rb::AccessPlan("SIDEWAYS", 0, 10, 10, 0, 1);
    } catch (const rb::OruError& error) {
      return error;
    }
    return rb::OruError("", "");
  }();
  EXPECT_STREQ(invalid.what(), "Invalid access order");
  EXPECT_EQ(invalid.Detail(), ": 'SIDEWAYS'");
}

// Passes everything to the simulated machine, keeping each SCSI command's opcode and address, and
// lets a test act when a command has gone through.
class WatchingPlatform : public rbtest::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;

  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override {
    const bool done =
        ForwardingPlatform::DeviceIoControl(handle, code, in, inLength, out, outLength, returned);
    if (code == win::IOCTL_SCSI_PASS_THROUGH_DIRECT && in != nullptr) {
      const auto& request = *static_cast<const win::ScsiPassThroughDirect*>(in);
      const std::uint8_t opcode = request.Cdb[0];
      std::uint64_t lba = 0;
      if (opcode >= 0x80)
        for (int i = 2; i < 10; ++i) lba = lba << 8 | request.Cdb[i];
      else
        for (int i = 2; i < 6; ++i) lba = lba << 8 | request.Cdb[i];
      commands.emplace_back(opcode, lba);
      if (afterCommand) afterCommand(opcode);
    }
    return done;
  }
  std::uint64_t GetTickCount64() override { return ForwardingPlatform::GetTickCount64() + lateBy; }
  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flags) override {
    ++opens;
    return ForwardingPlatform::CreateFile(path, access, share, disposition, flags);
  }
  bool HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                          std::vector<win::HANDLE>* holds) override {
    ++holdsAsked;
    return ForwardingPlatform::HoldDiskForWriting(devicePath, address, holds);
  }

  std::vector<std::pair<std::uint8_t, std::uint64_t>> commands;
  std::function<void(std::uint8_t)> afterCommand;
  int holdsAsked = 0;
  int opens = 0;
  std::uint64_t lateBy = 0;  // milliseconds added to the clock
};

// One SCSI disk of the simulated machine (port 0, target 0) with an access test to run on it.
class AccessBench {
 public:
  explicit AccessBench(const std::string& diskAttributes, const std::string& children = "")
      : sim_(dir_.Write("machine.xml",
                        "<?xml version=\"1.0\"?>\n<machine><scsi><port number=\"0\"><disk target=\"0\" " +
                            diskAttributes + ">" + children + "</disk></port></scsi></machine>")),
        installed_(MakeWatching()),
        disk_("disk", false, &port_, 0, 0, 0) {}

  WatchingPlatform& Watch() { return *watch_; }
  rb::ScsiDisk& Disk() { return disk_; }

  rb::AccessTest& Add(const char* name) { return Add(rb::AccessTest::MakeInstance(name)); }
  rb::AccessTest& Add(std::unique_ptr<rb::Test> made) {
    auto& test = static_cast<rb::AccessTest&>(*made);
    disk_.AddTest(std::move(made));
    return test;
  }
  // One attempt (retries 0), so that an error of the run is raised here.
  rb::XmlObject Run(rb::AccessTest& test,
                    const std::vector<std::pair<const char*, std::string>>& values = {}) {
    rb::XmlObject command;
    command.SetName("runTest");
    command.SetAttribute("retries", "0");
    for (const auto& [name, value] : values) command.SetAttribute(name, value);
    return test.Run(command);
  }
  rb::OruError Failure(rb::AccessTest& test,
                       const std::vector<std::pair<const char*, std::string>>& values = {}) {
    try {
      Run(test, values);
    } catch (const rb::OruError& error) {
      return error;
    }
    ADD_FAILURE() << "the run raised no error";
    return rb::OruError("", "");
  }
  // The blocks of [first, last] that no longer hold what the disk held before the run (the simulated
  // disk's pattern), read through a fresh look at the medium.
  std::vector<std::uint64_t> ChangedBlocks(std::uint64_t first, std::uint64_t last) {
    const std::uint32_t size = disk_.BlockSize();
    std::vector<std::uint8_t> read(size * 64), expected(size);
    std::vector<std::uint64_t> changed;
    for (std::uint64_t lba = first; lba <= last; lba += 64) {
      const auto blocks = static_cast<std::uint32_t>(std::min<std::uint64_t>(64, last - lba + 1));
      disk_.Access(rb::BlockDevice::kRead, lba, blocks, read.data());
      for (std::uint32_t b = 0; b < blocks; ++b) {
        os::SimBlockStore::Pattern(lba + b, size, expected.data());
        if (!std::equal(expected.begin(), expected.end(), read.begin() + b * size))
          changed.push_back(lba + b);
      }
    }
    return changed;
  }

 private:
  std::unique_ptr<os::Platform> MakeWatching() {
    auto watching = std::make_unique<WatchingPlatform>(sim_);
    watch_ = watching.get();
    return watching;
  }

  rbtest::ScratchDir dir_;
  os::SimPlatform sim_;
  WatchingPlatform* watch_ = nullptr;
  rbtest::InstalledPlatform installed_;
  rb::ScsiDriver port_{"\\\\.\\SCSI0:"};
  rb::ScsiDisk disk_;
};

std::size_t Count(const WatchingPlatform& watch, std::uint8_t opcode) {
  std::size_t n = 0;
  for (const auto& command : watch.commands) n += command.first == opcode;
  return n;
}

TEST(AccessTestRun, SequentialRwrcPassesTakesTheDiskOnceAndLeavesEveryBlock) {
  AccessBench bench("blocks=\"2048\"");
  rb::AccessTest& test = bench.Add("SeqRwrcTest");
  const rb::XmlObject result = bench.Run(test, {{"SkipFactor", "0"}});
  EXPECT_EQ(result.GetAttribute("currentState"), "passed");
  // 2047 blocks of 128: 15 full accesses, then 127 blocks from the last full one's start.
  EXPECT_EQ(Count(bench.Watch(), 0x2A), 2u * 16);
  EXPECT_EQ(bench.Watch().holdsAsked, 1);
  // The port stays open for the accesses: the readiness check opens it, then the run once.
  EXPECT_LE(bench.Watch().opens, 3);
  EXPECT_EQ(test.PassCounter(), 1u);
  const std::string output = result.SelectSingleNode("output")->Text();
  EXPECT_NE(output.find("SEQUENTIAL RWRC Access Test\nBlock: 0-2047 (2047) @ 128\n"), std::string::npos)
      << output;
  EXPECT_NE(output.find("Hard Errors: 0 (Max 0)\nSoft Errors: 0 (Max 0)\n"), std::string::npos) << output;
  EXPECT_EQ(bench.ChangedBlocks(0, 2047), std::vector<std::uint64_t>{});
}

TEST(AccessTestRun, RwrcRestoresTheSavedBlocksWhateverFails) {
  const struct {
    const char* what;
    const char* fault;
    const char* message;
    const char* detailStart;
  } cases[] = {
      {"a write fault once", R"(<fault sense="3" asc="0x0C" ascq="0" opcode="0x2A" lba="300" times="1"/>)",
       "Could not write block", "disk: "},
      {"a read-back fault",
       R"(<fault sense="3" asc="0x11" ascq="0" opcode="0x28" lba="300" skip="1" times="1"/>)",
       "Could not read block", "disk: "},
      {"a miscompare", R"(<fault kind="corrupt" opcode="0x28" lba="300" byte="17" skip="1" times="1"/>)",
       "Error limit exceeded", "Hard Errors 1 (Max 0)"},
      // The last four bytes of an access are compared too.
      {"a miscompare at the end",
       R"(<fault kind="corrupt" opcode="0x28" lba="383" byte="511" skip="1" times="1"/>)",
       "Error limit exceeded", "Hard Errors 1 (Max 0)"},
      // The restore fails as well: reported with its block, and nothing was written.
      {"a lasting write fault", R"(<fault sense="3" asc="0x0C" ascq="0" opcode="0x2A" lba="300"/>)",
       "Restore failed", "Block 256: Could not write block"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AccessBench bench("blocks=\"2048\"", c.fault);
    rb::AccessTest& test = bench.Add("SeqRwrcTest");
    const rb::OruError error = bench.Failure(test, {{"SkipFactor", "0"}});
    EXPECT_STREQ(error.what(), c.message);
    EXPECT_EQ(error.Detail().rfind(c.detailStart, 0), 0u) << error.Detail();
    // The failing access (blocks 256-383) was the last.
    EXPECT_EQ(bench.Watch().commands.back().second, 256u);
    EXPECT_EQ(bench.ChangedBlocks(0, 2047), std::vector<std::uint64_t>{});
  }
}

TEST(AccessTestRun, ASaveReadThatFailsWritesNothing) {
  AccessBench bench("blocks=\"2048\"",
                    R"(<fault sense="3" asc="0x11" ascq="0" opcode="0x28" lba="300" times="1"/>)");
  rb::AccessTest& test = bench.Add("SeqRwrcTest");
  EXPECT_STREQ(bench.Failure(test, {{"SkipFactor", "0"}}).what(), "Could not read block");
  EXPECT_EQ(bench.Watch().commands.back(), std::make_pair(std::uint8_t{0x28}, std::uint64_t{256}));
  EXPECT_EQ(Count(bench.Watch(), 0x2A), 2u * 2);
}

TEST(AccessTestRun, ACancelWhileThePatternIsOnTheMediumRestoresIt) {
  AccessBench bench("blocks=\"2048\"");
  rb::AccessTest& test = bench.Add("RandRwrcTest");
  int writes = 0;
  bench.Watch().afterCommand = [&](std::uint8_t opcode) {
    if (opcode == 0x2A && ++writes == 5) test.Cancel();  // the third access's pattern
  };
  const rb::XmlObject result = bench.Run(test);
  EXPECT_EQ(result.GetAttribute("currentState"), "canceled");
  EXPECT_EQ(writes, 6);
  EXPECT_EQ(test.PassCounter(), 0u);
  EXPECT_EQ(bench.ChangedBlocks(0, 2047), std::vector<std::uint64_t>{});
}

TEST(AccessTestRun, TheTimeLimitEndsTheRunWithTheMediumRestored) {
  AccessBench bench("blocks=\"2048\"");
  rb::AccessTest& test = bench.Add("SeqRwrcTest");
  int writes = 0;
  bench.Watch().afterCommand = [&](std::uint8_t opcode) {
    if (opcode == 0x2A && ++writes == 3) bench.Watch().lateBy = 61'000;  // while the pattern is on the medium
  };
  const rb::OruError error = bench.Failure(test, {{"timeout", "60"}, {"SkipFactor", "0"}});
  EXPECT_STREQ(error.what(), "Total time allocated for this test has expired");
  EXPECT_EQ(writes, 4);
  EXPECT_EQ(bench.ChangedBlocks(0, 2047), std::vector<std::uint64_t>{});
}

TEST(AccessTestRun, TheOperatorsErrorLimitsLetCountedErrorsPass) {
  // The read-back of block 40 miscompares once.
  AccessBench bench("blocks=\"2048\"",
                    R"(<fault kind="corrupt" opcode="0x28" lba="40" skip="1" times="1"/>)");
  rb::AccessTest& test = bench.Add("SeqRwrcTest");
  const rb::XmlObject result =
      bench.Run(test, {{"MaxHardErrors", "3"}, {"blockCount", "256"}, {"SkipFactor", "0"}});
  EXPECT_EQ(result.GetAttribute("currentState"), "passed");
  const std::string output = result.SelectSingleNode("output")->Text();
  EXPECT_NE(output.find("Save-Write-Read-Compare-Restore Error: Block 0\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Hard Errors: 1 (Max 3)\n"), std::string::npos) << output;
  EXPECT_EQ(test.HardLimit(), 3u);
  EXPECT_EQ(bench.ChangedBlocks(0, 300), std::vector<std::uint64_t>{});
}

TEST(AccessTestRun, AMountedDiskIsRefusedBeforeAnyBlockIsTouched) {
  AccessBench bench("blocks=\"2048\" mounted=\"1\"");
  rb::AccessTest& test = bench.Add("SeqRwrcTest");
  const rb::OruError error = bench.Failure(test);
  EXPECT_STREQ(error.what(), rb::DiskWriteHold::kRefusedText);
  EXPECT_EQ(Count(bench.Watch(), 0x28) + Count(bench.Watch(), 0x2A), 0u);
}

TEST(AccessTestRun, BlocksBeyondTwoToTheThirtySecondOfAnEightTerabyteDisk) {
  constexpr std::uint64_t kStart = (1ull << 32) + 1000;
  AccessBench bench("blocks=\"15628053168\"");  // 8 TB of 512-byte blocks, costing only what is written
  for (const char* name : {"SeqRwrcTest", "RandRwrcTest"}) {
    rb::AccessTest& test = bench.Add(name);
    const rb::XmlObject result = bench.Run(test, {{"StartBlock", std::to_string(kStart)},
                                                  {"EndBlock", std::to_string(kStart + 600)},
                                                  {"blockCount", "500"},
                                                  {"SkipFactor", "0"}});
    EXPECT_EQ(result.GetAttribute("currentState"), "passed") << name;
  }
  for (const auto& [opcode, lba] : bench.Watch().commands) {
    if (opcode != 0x88 && opcode != 0x8A) continue;
    EXPECT_GE(lba, kStart);
    EXPECT_LE(lba, kStart + 600);
  }
  EXPECT_GT(Count(bench.Watch(), 0x8A), 0u);
  EXPECT_EQ(Count(bench.Watch(), 0x2A), 0u);
  EXPECT_EQ(bench.ChangedBlocks(kStart - 64, kStart + 700), std::vector<std::uint64_t>{});
}

TEST(AccessTestRun, DefaultsQuickModeAndSelectiveMode) {
  {
    // A last block address of 1000: quick mode tests a tenth of it.
    AccessBench bench("blocks=\"1001\"");
    rb::AccessTest& test = bench.Add("SeqReadTest");
    EXPECT_EQ(bench.Run(test, {{"quick", "1"}}).GetAttribute("currentState"), "passed");
    EXPECT_EQ(test.BlockCount(), 100u);
    EXPECT_EQ(test.BlocksPerAccess(), 128u);
  }
  {
    // One gigabyte at the end of a disk of 4096-byte blocks is 262,144 of them.
    AccessBench bench("blocks=\"1000001\" blockSize=\"4096\"");
    rb::AccessTest& test = bench.Add("SeqReadTest");
    bench.Watch().afterCommand = [&](std::uint8_t opcode) {
      if (opcode == 0x28) test.Cancel();
    };
    bench.Run(test, {{"SelectiveMode", "1"}, {"SelectiveSizeParm", "1"}});
    EXPECT_EQ(test.StartBlock(), 1000000u - 262144u);
    EXPECT_EQ(bench.Watch().commands.back(),
              std::make_pair(std::uint8_t{0x28}, std::uint64_t{1000000 - 262144}));
  }
}

TEST(AccessTestRun, NotReadyAndInvalidParameterLists) {
  {
    AccessBench bench("blocks=\"2048\"", R"(<fault kind="notReady"/>)");
    rb::AccessTest& test = bench.Add("SeqReadTest");
    const rb::OruError error = bench.Failure(test);
    EXPECT_STREQ(error.what(), "Unit not ready");
    EXPECT_EQ(error.Detail(), "Media not present in drive");
    EXPECT_EQ(Count(bench.Watch(), 0x28), 0u);
  }
  const struct {
    const char* test;
    std::vector<std::pair<const char*, std::string>> values;
    const char* detail;
  } cases[] = {
      {"RandReadTest",
       {{"StartBlock", "500"}, {"EndBlock", "100"}},
       "StartBlock(500) was greater than EndBlock(100)"},
      {"SeqReadTest", {{"StartBlock", "2047"}}, "BlockCount(0) was less than 1"},
  };
  for (const auto& c : cases) {
    AccessBench bench("blocks=\"2048\"");
    rb::AccessTest& test = bench.Add(c.test);
    const rb::OruError error = bench.Failure(test, c.values);
    EXPECT_STREQ(error.what(), "Invalid parameter list");
    EXPECT_EQ(error.Detail(), c.detail);
  }
}

TEST(AccessTestRun, ThePersistentFormKeepsFieldsLimitsAndThePassCounter) {
  AccessBench bench("blocks=\"2048\"");
  rb::AccessTest& test = bench.Add("RandRwrcTest");
  for (int pass = 0; pass < 2; ++pass)
    ASSERT_EQ(bench.Run(test, {{"MaxSoftErrors", "4"}, {"blockCount", "512"}}).GetAttribute("currentState"),
              "passed");

  rb::optstream out;
  out.WritePointer(&bench.Disk());
  rb::iptstream in(out.Bytes());
  const std::unique_ptr<rb::ScsiDisk> back = in.ReadObject<rb::ScsiDisk>();
  ASSERT_NE(back, nullptr);
  auto* read = dynamic_cast<rb::AccessTest*>(back->FindTest("RandRwrcTest"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Caption(), "Random Save-WRC-Restore Test");
  EXPECT_EQ(read->Mode(), "RWRC");
  EXPECT_EQ(read->Order(), "RANDOM");
  EXPECT_EQ(read->BlockCount(), 512u);
  EXPECT_EQ(read->SoftLimit(), 4u);
  EXPECT_EQ(read->PassCounter(), 2u);

  // The next run of the read test draws the addresses the original's next run draws.
  const std::size_t before = bench.Watch().commands.size();
  bench.Run(test, {{"blockCount", "512"}});
  const auto original = std::vector(bench.Watch().commands.begin() + before, bench.Watch().commands.end());
  rb::Test& copy = *read;
  bench.Disk().AddTest(rb::CloneCopy(copy));
  const std::size_t middle = bench.Watch().commands.size();
  bench.Run(static_cast<rb::AccessTest&>(*bench.Disk().FindTest("RandRwrcTest")), {{"blockCount", "512"}});
  EXPECT_EQ(std::vector(bench.Watch().commands.begin() + middle, bench.Watch().commands.end()), original);
}

TEST(AccessTestRun, RegionAndCompleteOrders) {
  {
    // Ten regions of a tenth of the disk, two read-write-read-compares at the start of each.
    AccessBench bench("blocks=\"2001\"");
    rb::AccessTest& test =
        bench.Add(std::make_unique<rb::AccessTest>("RegionTest", "Region Test", "", "RWRC", "REGION"));
    EXPECT_EQ(bench.Run(test, {{"blockCount", "2"}, {"BlocksPerAccess", "8"}}).GetAttribute("currentState"),
              "passed");
    std::vector<std::uint64_t> written;
    for (const auto& [opcode, lba] : bench.Watch().commands)
      if (opcode == 0x2A) written.push_back(lba);
    ASSERT_EQ(written.size(), 20u);
    for (std::uint64_t region = 0; region < 10; ++region) {
      EXPECT_EQ(written[2 * region], region * 200);
      EXPECT_EQ(written[2 * region + 1], region * 200 + 8);
    }
    EXPECT_EQ(bench.ChangedBlocks(0, 2000), std::vector<std::uint64_t>{});
  }
  {
    // Complete: a sequential, a random and a butterfly pass, one after the other.
    AccessBench bench("blocks=\"1001\"");
    rb::AccessTest& test =
        bench.Add(std::make_unique<rb::AccessTest>("AllOrders", "All Orders", "", "READ", "complete"));
    EXPECT_EQ(bench.Run(test, {{"blockCount", "64"}, {"BlocksPerAccess", "16"}, {"EndBlock", "1000"}})
                  .GetAttribute("currentState"),
              "passed");
    std::vector<std::uint64_t> read;
    for (const auto& [opcode, lba] : bench.Watch().commands)
      if (opcode == 0x28) read.push_back(lba);
    ASSERT_EQ(read.size(), 3u * 5);
    // Sequential from the start block, then five at random, then the butterfly between both ends.
    EXPECT_EQ(std::vector(read.begin(), read.begin() + 5), (std::vector<std::uint64_t>{0, 16, 32, 48, 48}));
    EXPECT_EQ(std::vector(read.begin() + 10, read.end()), (std::vector<std::uint64_t>{0, 992, 16, 976, 24}));
  }
}

}  // namespace
