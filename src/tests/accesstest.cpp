#include "tests/accesstest.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <new>

#include "devices/blockdevice.h"
#include "devices/diskwritehold.h"
#include "framework/booleanparameter.h"
#include "framework/device.h"
#include "framework/enumerationparameter.h"
#include "framework/numericparameter.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/accessplan.h"
#include "tests/comparedump.h"

namespace rb {
namespace {

struct Instance {
  const char* name;
  const char* caption;
  const char* mode;
  const char* order;
  const char* description;
};

constexpr Instance kInstances[] = {
    {"SeqReadTest", "Sequential Read Test", AccessTest::kRead, AccessTest::kSequential,
     "Read each block in the requested range in sequential order"},
    {"RandReadTest", "Random Read Test", AccessTest::kRead, AccessTest::kRandom,
     "Read random blocks from the requested range"},
    {"BflyReadTest", "Butterfly Read Test", AccessTest::kRead, AccessTest::kButterfly,
     "Read each block in the requested range, alternating between high and low block addresses"},
    {"SeqRwrcTest", "Sequential Save-WRC-Restore Test", AccessTest::kRwrc, AccessTest::kSequential,
     "Perform a Save-Write-Read-Compare-Restore test sequentially on the requested blocks of media"},
    {"RandRwrcTest", "Random Save-WRC-Restore Test", AccessTest::kRwrc, AccessTest::kRandom,
     "Perform a Save-Write-Read-Compare-Restore test on random block addresses in the requested range"},
};

const Instance* FindInstance(std::string_view name) {
  for (const Instance& instance : kInstances)
    if (name == instance.name) return &instance;
  return nullptr;
}

// Optical drives: their range is capped, they read a fixed block in read-verify and may retry.
constexpr std::uint64_t kOpticalLastBlock = 160000;
constexpr std::uint64_t kOpticalRandomEnd = 16000;
constexpr std::uint64_t kDefaultBlocksPerAccess = 250;
constexpr std::uint64_t kFixedBlock = 6187;
constexpr std::uint32_t kRegions = 10;

std::uint64_t NowSeconds() {
  return os::Current().GetTickCount64() / 1000;
}

unsigned long long Ull(std::uint64_t value) {
  return static_cast<unsigned long long>(value);
}

}  // namespace

AccessTest::AccessTest(std::string name, std::string caption, std::string description, std::string mode,
                       std::string order)
    : Test(std::move(name), std::move(caption), std::move(description)),
      mode_(mode),
      order_(order),
      fixedMode_(std::move(mode)),
      fixedOrder_(std::move(order)) {}

AccessTest::AccessTest() = default;
AccessTest::~AccessTest() = default;

std::unique_ptr<Test> AccessTest::MakeInstance(std::string_view name) {
  const Instance* instance = FindInstance(name);
  if (instance == nullptr) return nullptr;
  return std::make_unique<AccessTest>(instance->name, instance->caption, instance->description,
                                      instance->mode, instance->order);
}

void AccessTest::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Test::Stream(stream, writing, version);
  for (std::string* text : {&mode_, &order_, &fixedMode_, &fixedOrder_}) stream.Transfer(*text);
  for (std::uint64_t* value :
       {&start_, &end_, &count_, &skip_, &blocksPerAccess_, &lastBlock_, &lastTestable_})
    stream.Transfer(*value);
  stream.Transfer(blockSize_);
  stream.Transfer(selectiveSize_);
  stream.Transfer(selective_);
  stream.Transfer(fixedBlock_);
  for (std::uint32_t* value :
       {&retryBudget_, &hardLimit_, &softLimit_, &hardCount_, &softCount_, &passCounter_})
    stream.Transfer(*value);
  stream.Transfer(startTime_);
  stream.Transfer(timeout_);
  stream.Transfer(mediaKind_);
  if (writing) return;
  // After a pass the generator was seeded with the counter before its increment.
  random_.Seed(passCounter_ > 0 ? passCounter_ - 1 : 0);
  if (const Instance* instance = FindInstance(Name()); instance != nullptr && Caption().empty()) {
    AccessTest texts(instance->name, instance->caption, instance->description, instance->mode,
                     instance->order);
    Test::Assign(texts);
  }
}

void AccessTest::Assign(const Persistent& other) {
  Test::Assign(other);
  const auto& from = dynamic_cast<const AccessTest&>(other);
  mode_ = from.mode_;
  order_ = from.order_;
  fixedMode_ = from.fixedMode_;
  fixedOrder_ = from.fixedOrder_;
  start_ = from.start_;
  end_ = from.end_;
  count_ = from.count_;
  skip_ = from.skip_;
  blocksPerAccess_ = from.blocksPerAccess_;
  lastBlock_ = from.lastBlock_;
  lastTestable_ = from.lastTestable_;
  blockSize_ = from.blockSize_;
  selectiveSize_ = from.selectiveSize_;
  selective_ = from.selective_;
  fixedBlock_ = from.fixedBlock_;
  retryBudget_ = from.retryBudget_;
  hardLimit_ = from.hardLimit_;
  softLimit_ = from.softLimit_;
  hardCount_ = from.hardCount_;
  softCount_ = from.softCount_;
  passCounter_ = from.passCounter_;
  startTime_ = from.startTime_;
  timeout_ = from.timeout_;
  mediaKind_ = from.mediaKind_;
  random_ = from.random_;
}

BlockDevice& AccessTest::Block() const {
  auto* block = dynamic_cast<BlockDevice*>(Owner());
  if (block == nullptr) throw OruError("Device not found", Name() + ": not a block device");
  return *block;
}

bool AccessTest::OpticalDrive() const {
  if (Owner() == nullptr) return false;
  const std::string kind = Owner()->ElementClass();
  return kind == "cdrom" || kind == "usbCdrom" || kind == "sataCdrom";
}

std::string AccessTest::ChosenMode() const {
  if (!fixedMode_.empty()) return fixedMode_;
  return ChoiceValue("AccessMode", kRead);
}

void AccessTest::Setup() {
  const bool optical = OpticalDrive();
  capabilities_.interactive = optical || RemovableMedium() || capabilities_.interactive;
  std::uint64_t lastTestable = 0;
  try {
    lastTestable = Block().LastBlockAddress();
  } catch (const OruError&) {
    DebugPrint("GetBlockCount() threw an error (no problem if doing CATALOG!)\n");
  }
  if (optical && lastTestable > kOpticalLastBlock) {
    DebugPrint("Setting LastTestableBlock to 160000 for ODD\n");
    lastTestable = kOpticalLastBlock;
  }
  Parameters().Assign(ParameterList());
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "timeout", Translate("Timeout"), Translate("Timeout period at which this test will abort"), 0, 0,
      65535));
  AddRangeParameters(lastTestable, optical);
  AddChoiceParameters(optical);
}

void AccessTest::AddRangeParameters(std::uint64_t lastTestable, bool optical) {
  using Numeric64 = NumericParameter<std::uint64_t>;
  ParameterList& list = Parameters();
  const std::string order = fixedOrder_;
  const bool anyOrder = order.empty();
  if (order != kRegion)
    list.Add(std::make_unique<Numeric64>("StartBlock", Translate("Starting Block"),
                                         Translate("Logical block at which testing should begin"), 0, 0,
                                         lastTestable));
  if (anyOrder || order == kRandom || mediaKind_ == kZipMedium)
    list.Add(std::make_unique<Numeric64>(
        "EndBlock", Translate("Ending Block"),
        Translate("Logical block at which testing should end.  Enter 0 to let the test choose default values "
                  "for you."),
        optical ? std::min(lastTestable, kOpticalRandomEnd) : lastTestable, 0, lastTestable));
  if (order == kRegion) {
    list.Add(std::make_unique<Numeric64>("blockCount", Translate("OPs per Region"),
                                         Translate("Number of RWRC OPs to be performed for each Region"), 200,
                                         0, 200));
  } else {
    list.Add(std::make_unique<Numeric64>(
        "blockCount", Translate("Block Count"),
        Translate("Number of blocks to be accessed during the test.  Enter 0 to let the test choose default "
                  "values for you."),
        order == kRandom ? std::min(lastTestable, kOpticalRandomEnd) : lastTestable, 0, lastTestable));
  }
  if (anyOrder || order == kSequential)
    list.Add(std::make_unique<Numeric64>("SkipFactor", Translate("Block Increment"),
                                         Translate("Number of Blocks to SKIP after each command"), 250, 0,
                                         lastTestable));
  std::uint32_t maxBlocks = 0;
  if (auto* block = dynamic_cast<BlockDevice*>(Owner())) maxBlocks = block->MaxBlocksPerAccess();
  const std::uint64_t most = maxBlocks != 0 ? maxBlocks : kDefaultBlocksPerAccess;
  list.Add(
      std::make_unique<NumericParameter<int>>("BlocksPerAccess", Translate("Blocks Per Access"),
                                              Translate("Number of blocks read or written per drive access"),
                                              static_cast<int>(std::min(most, kDefaultBlocksPerAccess)), 1,
                                              static_cast<int>(std::min<std::uint64_t>(most, INT32_MAX))));
}

void AccessTest::AddChoiceParameters(bool optical) {
  ParameterList& list = Parameters();
  if (fixedMode_.empty()) {
    auto mode = std::make_unique<EnumerationParameter>(
        "AccessMode", Translate("Access Mode"), Translate("The type of access to be attempted"), kRead);
    mode->AddOption({kRead, Translate("Read"),
                     Translate("This test checks the drive head's ability to read a specified block.")});
    mode->AddOption(
        {kRwrc, Translate("Save-Write-Read-Compare-Restore"),
         Translate("This test checks the drive head's ability to read a specified block and writes the "
                   "read data back. The test then reads the data a second time and compares it with the "
                   "data that was originally read.")});
    mode->AddOption(
        {kVerify, Translate("Verify"), Translate("Command drive firmware to internally verify each block")});
    list.Add(std::move(mode));
  }
  if (fixedOrder_.empty()) {
    auto order =
        std::make_unique<EnumerationParameter>("AccessOrder", Translate("Access Order"),
                                               Translate("Order in which blocks are accessed"), kSequential);
    order->AddOption(
        {kSequential, Translate("Sequential"),
         Translate("This test checks the drive head's ability to read from sector to sector in a "
                   "straight line, beginning from the first sector and continuing sequentially to "
                   "the last sector.")});
    order->AddOption(
        {kRandom, Translate("Random"),
         Translate("This test verifies the drive's ability to read data randomly from block to block.")});
    order->AddOption(
        {kButterfly, Translate("Butterfly"),
         Translate("This test verifies the drive's ability to read data in a butterfly pattern.  This "
                   "pattern alternates between high and low blocks to stress the disk head actuator.")});
    list.Add(std::move(order));
  }
  if (!optical) {
    list.Add(std::make_unique<NumericParameter<int>>(
        "MaxHardErrors", Translate("Max Hard Errors"),
        Translate("Maximum number of hard errors before the test fails"), 0, 0, 100));
    list.Add(std::make_unique<NumericParameter<int>>(
        "MaxSoftErrors", Translate("Max Soft Errors"),
        Translate("Maximum number of soft errors before the test fails"), 0, 0, 100));
  }
  const bool mayRead = fixedMode_.empty() || fixedMode_ == kRead;
  const bool maySequential = fixedOrder_.empty() || fixedOrder_ == kSequential;
  if (!optical && mayRead && maySequential) {
    list.Add(std::make_unique<BooleanParameter>(
        "SelectiveMode", Translate("Selective Mode"),
        Translate("If enabled, only test the amount of media specified at end of drive"), false));
    list.Add(std::make_unique<NumericParameter<int>>(
        "SelectiveSizeParm", Translate("Selective Size"),
        Translate("Amount of media to test at end of drive (in GigaBytes)"), 10, 0, 10000));
  }
  // A zip disk is asked out at the end unless the operator says otherwise.
  if (RemovableMedium())
    list.Add(std::make_unique<BooleanParameter>("RemoveMdia", Translate("Remove Media"),
                                                Translate("Specify that media be removed"),
                                                mediaKind_ == kZipMedium));
}

std::uint64_t AccessTest::NumericValue(const char* name, std::uint64_t fallback) const {
  const ParameterList& list = Parameters();
  if (auto* wide = list.Find<NumericParameter<std::uint64_t>>(name)) return wide->Value();
  if (auto* narrow = list.Find<NumericParameter<int>>(name))
    return static_cast<std::uint64_t>(std::max(narrow->Value(), 0));
  return fallback;
}

bool AccessTest::BooleanValue(const char* name) const {
  auto* parameter = Parameters().Find<BooleanParameter>(name);
  return parameter != nullptr && parameter->Value();
}

std::string AccessTest::ChoiceValue(const char* name, const std::string& fallback) const {
  auto* parameter = Parameters().Find<EnumerationParameter>(name);
  return parameter != nullptr ? parameter->Value() : fallback;
}

void AccessTest::ApplyParameters(const XmlObject& command) {
  BlockDevice& block = Block();
  startTime_ = NowSeconds();
  lastBlock_ = block.LastBlockAddress();
  blockSize_ = block.BlockSize();
  lastTestable_ = lastBlock_;
  const bool optical = OpticalDrive();
  DebugPrint(optical ? "OpticalDrive is TRUE\n" : "OpticalDrive is FALSE\n");
  if (optical && lastTestable_ > kOpticalLastBlock) {
    DebugPrint("Reducing LastTestableBlock to 160000 for Optical Drive\n");
    lastTestable_ = kOpticalLastBlock;
  }
  quick_ = command.GetAttribute("quick", "") == "1";

  fixedBlock_ = false;
  selective_ = false;
  retryBudget_ = 0;
  start_ = NumericValue("StartBlock", 0);
  end_ = NumericValue("EndBlock", 0);
  count_ = NumericValue("blockCount", 0);
  skip_ = NumericValue("SkipFactor", 0);
  blocksPerAccess_ = NumericValue("BlocksPerAccess", 0);
  selectiveSize_ = static_cast<std::uint32_t>(NumericValue("SelectiveSizeParm", 0));
  timeout_ = static_cast<std::int32_t>(NumericValue("timeout", 0));
  // The operator's limits; both stay 0 (the first error ends the run) unless given.
  hardLimit_ = static_cast<std::uint32_t>(NumericValue("MaxHardErrors", 0));
  softLimit_ = static_cast<std::uint32_t>(NumericValue("MaxSoftErrors", 0));
  mode_ = fixedMode_.empty() ? ChoiceValue("AccessMode", kRead) : fixedMode_;
  order_ = fixedOrder_.empty() ? ChoiceValue("AccessOrder", kSequential) : fixedOrder_;

  if (optical) {
    blocksPerAccess_ = 128;
    if (command.GetAttribute("VerifyData", "") == "1" && order_ == kSequential && mode_ == kRead) {
      fixedBlock_ = true;
      blocksPerAccess_ = 1;
    }
    const XmlAttribute* retries = command.FindAttribute("retries");
    if (command.GetAttribute("PassOnRetry", "") == "1" && (order_ == kSequential || order_ == kRandom) &&
        mode_ == kRead && retries != nullptr)
      retryBudget_ = static_cast<std::uint32_t>(std::strtoul(retries->value.c_str(), nullptr, 10));
  }
  selective_ = BooleanValue("SelectiveMode") && selectiveSize_ > 0;
  if ((mode_ == kRead || mode_ == kRwrc) && blocksPerAccess_ > block.MaxBlocksPerAccess() &&
      block.MaxBlocksPerAccess() != 0)
    blocksPerAccess_ = block.MaxBlocksPerAccess();
  if (blocksPerAccess_ == 0) blocksPerAccess_ = 8;

  if (end_ == 0)
    end_ = order_ == kRandom && optical ? std::min(lastTestable_, kOpticalRandomEnd) : lastTestable_;
  if (count_ == 0) {
    if (order_ != kSequential && lastTestable_ >= kOpticalLastBlock)
      count_ = order_ == kRandom ? std::min(lastTestable_, kOpticalRandomEnd) : blocksPerAccess_ * 20000;
    else
      count_ = end_ - std::min(start_, end_);
  }
  if (quick_) {
    if (lastTestable_ >= 5000)
      count_ = order_ == kSequential ? 350000 : 5000;
    else
      count_ = lastTestable_ / 10;
  }
  if (order_ == kSequential) {
    end_ = start_ + count_;
    if (end_ > lastTestable_) {
      end_ = lastTestable_;
      count_ = lastTestable_ - std::min(start_, lastTestable_);
    }
  }

  DebugPrint("GetValue of StartBlock is %llu\n", Ull(start_));
  DebugPrint("GetValue of EndBlock is %llu\n", Ull(end_));
  DebugPrint("GetValue of BlockCount is %llu\n", Ull(count_));
  DebugPrint("GetValue of Skip Factor is %llu\n", Ull(skip_));
  DebugPrint("GetValue of Blocks per access is %llu\n", Ull(blocksPerAccess_));
  DebugPrint("GetValue of Access Mode is %s\n", mode_.c_str());
  DebugPrint("GetValue of Access Order is %s\n", order_.c_str());
  DebugPrint("GetValue of Selective size is %u\n", selectiveSize_);
  Validate();
}

void AccessTest::Validate() const {
  auto invalid = [](std::string detail) { throw OruError("Invalid parameter list", std::move(detail)); };
  if (start_ > end_)
    invalid(StringPrintf("StartBlock(%llu) was greater than EndBlock(%llu)", Ull(start_), Ull(end_)));
  if (order_ == kSequential && count_ > 0 && start_ + count_ - 1 > end_)
    invalid(StringPrintf("BlockCount(%llu) + StartBlock(%llu) - 1 > EndBlock(%llu)", Ull(count_), Ull(start_),
                         Ull(end_)));
  if (count_ == 0) invalid(StringPrintf("BlockCount(%llu) was less than 1", Ull(count_)));
  if (end_ > lastTestable_)
    invalid(StringPrintf("EndBlock(%llu) > LastTestableBlock(%llu)", Ull(end_), Ull(lastTestable_)));
}

bool AccessTest::Execute(const XmlObject& command) {
  os::Platform& system = os::Current();
  DebugPrint("       Starting an Access Test\n");
  SetProgress(1, 100);
  system.Sleep(1000);
  if (Loop() > 1) {
    for (int second = 0; second < 10; ++second) {
      if (CancelRequested()) return false;
      system.Sleep(1000);
    }
  }
  BlockDevice& block = Block();
  if (!block.IsReady()) {
    DebugPrint("Test Unit is not ready \n");
    if (!OpticalDrive()) throw OruError("Unit not ready", "Media not present in drive");
    DebugPrint("The drive is an optical drive \n");
    const std::string answer =
        Prompt(Translate("Insert non-blank media in the drive, allow the drive to settle, and press OK.") +
                   "\n" + Translate("Press cancel button to fail this test."),
               {Translate("OK"), Translate("Cancel")}, "button", "400", "150");
    if (answer != Translate("OK")) throw OruError("Unit not ready", "Media not present in drive");
  }
  ApplyParameters(command);
  const std::shared_ptr<void> keptOpen = block.KeepOpen();
  Output() << Translate(order_) << " " << Translate(mode_) << " " << Translate("Access Test") << "\n";
  Output() << Translate("Block") << ": " << start_ << "-" << end_ << " (" << count_ << ") @ "
           << blocksPerAccess_ << "\n";

  // A writing run takes the disk before it touches a block, and keeps it to the end.
  std::unique_ptr<DiskWriteHold> hold;
  if (mode_ == kRwrc) hold = block.HoldForWriting();

  hardCount_ = 0;
  softCount_ = 0;
  bool aborted = false;
  try {
    if (order_ == kComplete) {
      for (const char* order : {kSequential, kRandom, kButterfly})
        if (!aborted) aborted = !Pass(order);
    } else {
      aborted = !Pass(order_);
    }
  } catch (const OruError&) {
    LogCounts();
    throw;
  }
  if (!aborted) random_.Seed(passCounter_++);
  if (!aborted && mediaKind_ == kZipMedium && BooleanValue("RemoveMdia"))
    Prompt(Translate("Remove the ZIP disk and press OK."), {Translate("OK")}, "button", "400", "150");
  LogCounts();
  return !aborted;
}

void AccessTest::LogCounts() {
  Output() << Translate("Hard Errors") << ": " << hardCount_ << " (" << Translate("Max") << " " << hardLimit_
           << ")\n";
  Output() << Translate("Soft Errors") << ": " << softCount_ << " (" << Translate("Max") << " " << softLimit_
           << ")\n";
}

bool AccessTest::Pass(const std::string& order) {
  deviceMode_ = mode_ == kVerify ? BlockDevice::kVerify : BlockDevice::kRead;
  if (order == kRegion) {
    RegionPass();
    return !CancelRequested();
  }
  if (selective_) {
    // Gigabytes of 2^30 bytes, in the device's own blocks.
    const std::uint64_t selected =
        std::uint64_t{selectiveSize_} * (std::uint64_t{1} << 30) / std::max(blockSize_, 1u);
    if (selected < lastTestable_) {
      count_ = selected;
      start_ = lastTestable_ - selected;
      end_ = lastTestable_;
      skip_ = 0;
    }
  }
  const AccessPlan plan(order, start_, end_, count_, skip_, fixedBlock_ ? 1 : blocksPerAccess_);
  const std::uint64_t accesses = fixedBlock_ ? 1 : plan.FullAccesses();
  GrowBuffers(fixedBlock_ ? 1 : blocksPerAccess_);
  std::int64_t shown = -1;
  for (std::uint64_t i = 0; i <= accesses; ++i) {
    if (CancelRequested()) return false;
    if (timeout_ > 0 && NowSeconds() - startTime_ > static_cast<std::uint64_t>(timeout_))
      throw OruError("Total time allocated for this test has expired", "");
    const AccessPlan::Step step = fixedBlock_ ? AccessPlan::Step{kFixedBlock, 1} : plan.At(i, random_);
    AccessAt(step.address, step.blocks);
    const std::int64_t percent = accesses == 0 ? 100 : static_cast<std::int64_t>(i * 100 / accesses);
    if (percent != shown) {
      shown = percent;
      SetProgress(static_cast<std::uint32_t>(percent), 100);
    }
    CheckLimits();
  }
  return true;
}

void AccessTest::RegionPass() {
  const std::uint64_t regionSize = lastTestable_ / kRegions;
  GrowBuffers(blocksPerAccess_);
  for (std::uint32_t region = 0; region < kRegions; ++region) {
    for (std::uint64_t k = 0; k < count_; ++k) {
      if (CancelRequested()) return;
      const std::uint64_t address = region * regionSize + k * blocksPerAccess_;
      DebugPrint("Howdy from regiontest TotalLoops=%llu, Loop=%llu, LBA=%llu\n", Ull(count_), Ull(k),
                 Ull(address));
      AccessAt(address, blocksPerAccess_);
      if (k == 0) SetProgress(region, kRegions);
      CheckLimits();
    }
  }
}

void AccessTest::AccessAt(std::uint64_t address, std::uint64_t blocks) {
  GrowBuffers(blocks);
  try {
    OneAccess(address, static_cast<std::uint32_t>(blocks));
  } catch (const OruError&) {
    // Only an optical drive's retry budget lets a device error pass; the counts start over.
    if (retryBudget_ < 2) throw;
    --retryBudget_;
    hardCount_ = 0;
    softCount_ = 0;
    Block().ErrorCounter(0) = 0;
    Block().ErrorCounter(1) = 0;
  }
}

void AccessTest::OneAccess(std::uint64_t address, std::uint32_t blocks) {
  const std::size_t length = std::size_t{blockSize_} * blocks;
  DeviceAccess(deviceMode_, address, blocks, save_.data());
  if (fixedBlock_) {
    std::memset(pattern_.data(), 0x55, length);
    Miscompare("Test Revolutions CD Read-Verify Error", address, pattern_.data(), save_.data(), length);
  }
  if (mode_ == kRwrc) WriteReadCompare(address, blocks, order_ != kRegion);
}

void AccessTest::WriteReadCompare(std::uint64_t address, std::uint32_t blocks, bool pattern) {
  const std::size_t length = std::size_t{blockSize_} * blocks;
  std::uint8_t* written = save_.data();
  if (pattern) {
    for (std::size_t word = 0; word + 4 <= length; word += 4) {
      const std::uint32_t value = random_.Next();
      std::memcpy(pattern_.data() + word, &value, 4);
    }
    written = pattern_.data();
  }
  // From here on the medium may differ from what was saved: whatever ends the access, the saved
  // blocks go back before it ends.
  try {
    DeviceAccess(BlockDevice::kWrite, address, blocks, written);
    DeviceAccess(BlockDevice::kRead, address, blocks, readBack_.data());
    if (Miscompare("Save-Write-Read-Compare-Restore Error", address, written, readBack_.data(), length) &&
        pattern)
      DebugPrint("compare failed\n");
  } catch (const OruError&) {
    Restore(address, blocks);
    throw;
  }
  if (pattern) Restore(address, blocks);
}

void AccessTest::Restore(std::uint64_t address, std::uint32_t blocks) {
  try {
    DeviceAccess(BlockDevice::kWrite, address, blocks, save_.data());
  } catch (const OruError& error) {
    Output() << Translate("Restore Error") << ": " << Translate("Block") << " " << address << "\n";
    throw OruError("Restore failed", StringPrintf("Block %llu: ", Ull(address)) + error.Message() +
                                         (error.Detail().empty() ? "" : " " + error.Detail()));
  }
}

bool AccessTest::Miscompare(const char* what, std::uint64_t address, const std::uint8_t* expected,
                            const std::uint8_t* found, std::size_t length) {
  if (std::memcmp(expected, found, length) == 0) return false;
  Output() << Translate(what) << ": " << Translate("Block") << " " << address << "\n";
  Output() << CompareDump(expected, found, length, blockSize_) << "\n";
  ++hardCount_;
  return true;
}

void AccessTest::DeviceAccess(int mode, std::uint64_t address, std::uint32_t blocks, std::uint8_t* buffer) {
  BlockDevice& block = Block();
  block.Access(mode, address, blocks, buffer);
  hardCount_ += block.HardErrorsOfLastAccess();
  softCount_ += block.SoftErrorsOfLastAccess();
}

void AccessTest::GrowBuffers(std::uint64_t blocks) {
  const std::uint64_t wanted = blocks * blockSize_;
  if (wanted <= save_.size()) return;
  try {
    for (AlignedBuffer* buffer : {&save_, &pattern_, &readBack_})
      buffer->Resize(static_cast<std::size_t>(wanted));
  } catch (const std::bad_alloc&) {
    throw OruError("Out Of Memory", StringPrintf("%llu bytes per access", Ull(wanted)));
  } catch (const std::length_error&) {
    throw OruError("Out Of Memory", StringPrintf("%llu bytes per access", Ull(wanted)));
  }
}

void AccessTest::CheckLimits() const {
  if (hardCount_ > hardLimit_ || softCount_ > softLimit_)
    throw OruError("Error limit exceeded", StringPrintf("Hard Errors %u (Max %u), Soft Errors %u (Max %u)",
                                                        hardCount_, hardLimit_, softCount_, softLimit_));
}

}  // namespace rb
