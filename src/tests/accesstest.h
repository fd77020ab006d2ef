#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/test.h"
#include "support/alignedbuffer.h"
#include "support/randomnumber.h"

namespace rb {

class BlockDevice;

// The block I/O exerciser of every disk-like device: reads, verifies or saves-writes-reads-compares-
// restores runs of blocks, walking the range sequentially, at random, in a butterfly between both ends
// or region by region, counting the device's hard and soft errors. A device offers instances fixed to
// one mode and order (SeqReadTest, RandRwrcTest, …); a test made without them lets the operator
// choose. Save-write-read-compare-restore puts every block it saved back however the access ends, and
// takes the disk for writing before it touches a block.
class AccessTest : public Test {
 public:
  static constexpr const char* kStreamableName = "AccessTest";

  // The modes and orders (the values of the AccessMode and AccessOrder parameters).
  static constexpr const char* kRead = "READ";
  static constexpr const char* kRwrc = "RWRC";
  static constexpr const char* kVerify = "VERIFY";
  static constexpr const char* kSequential = "SEQUENTIAL";
  static constexpr const char* kRandom = "RANDOM";
  static constexpr const char* kButterfly = "BUTTERFLY";
  static constexpr const char* kRegion = "REGION";
  static constexpr const char* kComplete = "complete";

  // `mode` and `order` fix the test's mode and order; empty leaves them to the operator.
  AccessTest(std::string name, std::string caption, std::string description, std::string mode,
             std::string order);
  // The state a reader starts from.
  AccessTest();
  ~AccessTest() override;

  // The instance a device offers under `name` (SeqReadTest, RandReadTest, BflyReadTest, SeqRwrcTest,
  // RandRwrcTest); null for another name.
  static std::unique_ptr<Test> MakeInstance(std::string_view name);

  // Every field with the limits, counters and the pass counter; the random generator follows the pass
  // counter, as it does after each pass.
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<AccessTest>(); }

  // Writing tests need the disk to themselves.
  bool LocksDevice() const override { return mode_ == kRwrc || mode_.empty(); }
  // Builds the parameter list against the device's extent.
  void Setup() override;
  bool Execute(const XmlObject& command) override;
  // Takes the fields from the parameter list and the run command and checks the range; raises
  // "Invalid parameter list" with the reason.
  virtual void ApplyParameters(const XmlObject& command);

  const std::string& Mode() const { return mode_; }
  const std::string& Order() const { return order_; }
  std::uint64_t StartBlock() const { return start_; }
  std::uint64_t EndBlock() const { return end_; }
  std::uint64_t BlockCount() const { return count_; }
  std::uint64_t BlocksPerAccess() const { return blocksPerAccess_; }
  std::uint32_t HardLimit() const { return hardLimit_; }
  std::uint32_t SoftLimit() const { return softLimit_; }
  std::uint32_t PassCounter() const { return passCounter_; }

 protected:
  // The zip drive's test marks its medium so (EndBlock and the removal prompt follow it).
  static constexpr std::int32_t kZipMedium = 1;

  // The device the accesses go to: the test's own device unless a test picks another.
  virtual BlockDevice& Block() const;
  bool OpticalDrive() const;
  // Whether the operator may be asked to take the medium out (RemoveMdia).
  virtual bool RemovableMedium() const { return mediaKind_ == kZipMedium; }
  // The mode the run will use; the operator's choice when the test has no fixed one.
  std::string ChosenMode() const;

  std::int32_t mediaKind_ = 0;

 private:
  // The parameter list's pieces.
  void AddRangeParameters(std::uint64_t lastTestable, bool optical);
  void AddChoiceParameters(bool optical);
  // The value of a parameter of the list, or `fallback` when the list has none of that name.
  std::uint64_t NumericValue(const char* name, std::uint64_t fallback) const;
  bool BooleanValue(const char* name) const;
  std::string ChoiceValue(const char* name, const std::string& fallback) const;
  void Validate() const;

  // One pass in one order; false when the run was aborted.
  bool Pass(const std::string& order);
  void RegionPass();
  // One access of `blocks` blocks at `address`, with its error accounting and the retry budget.
  void AccessAt(std::uint64_t address, std::uint64_t blocks);
  void OneAccess(std::uint64_t address, std::uint32_t blocks);
  // Save-write-read-compare-restore; `pattern` false writes the saved data back as the pattern
  // (read-write-read-compare, region order).
  void WriteReadCompare(std::uint64_t address, std::uint32_t blocks, bool pattern);
  void Restore(std::uint64_t address, std::uint32_t blocks);
  // Logs a miscompare of the two buffers over `length` bytes and counts it; false when they agree.
  bool Miscompare(const char* what, std::uint64_t address, const std::uint8_t* expected,
                  const std::uint8_t* found, std::size_t length);
  void DeviceAccess(int mode, std::uint64_t address, std::uint32_t blocks, std::uint8_t* buffer);
  void GrowBuffers(std::uint64_t blocks);
  void CheckLimits() const;
  void LogCounts();

  std::string mode_;
  std::string order_;
  std::string fixedMode_;
  std::string fixedOrder_;
  std::uint64_t start_ = 0;
  std::uint64_t end_ = 0;
  std::uint64_t count_ = 0;
  std::uint64_t skip_ = 0;
  std::uint64_t blocksPerAccess_ = 0;
  std::uint64_t lastBlock_ = 0;
  std::uint64_t lastTestable_ = 0;
  std::uint32_t blockSize_ = 0;
  std::uint32_t selectiveSize_ = 0;
  bool selective_ = false;
  bool fixedBlock_ = false;
  std::uint32_t retryBudget_ = 0;
  std::uint32_t hardLimit_ = 0;
  std::uint32_t softLimit_ = 0;
  std::uint32_t hardCount_ = 0;
  std::uint32_t softCount_ = 0;
  std::uint32_t passCounter_ = 0;
  std::uint64_t startTime_ = 0;
  std::int32_t timeout_ = 0;
  bool quick_ = false;
  int deviceMode_ = 0;
  // Save, pattern and read-back buffers, one access each, grown and never shrunk; page-aligned, so
  // that unbuffered I/O moves the data in place.
  AlignedBuffer save_;
  AlignedBuffer pattern_;
  AlignedBuffer readBack_;
  cRandomNumber random_;
};

}  // namespace rb
