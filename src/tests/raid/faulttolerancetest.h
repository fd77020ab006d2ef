#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/test.h"

namespace rb {

class BmicDevice;
class LogicalVolume;
class RaidDisk;

// Checks an array controller's recovery end to end on a volume of its own: builds a RAID 1 or RAID 5
// test volume on unassigned drives, writes a seeded pattern, corrupts the first member behind the
// controller's back, resets the controller, waits for the volume to recover and reads the pattern
// back. Destructive to the test volume only, which is always deleted again; the controller's background
// activity, paused for the corruption, is always resumed.
class FaultToleranceTest : public Test {
 public:
  static constexpr const char* kStreamableName = "FaultToleranceTest";
  // Blocks per write and read of the pattern.
  static constexpr std::uint32_t kChunkBlocks = 64;
  // One-block writes of garbage to the first member, and the seeds of the garbage and its places.
  static constexpr int kGarbageWrites = 2000;
  static constexpr std::uint32_t kGarbageSeed = 0xFFFFFFFFu;
  static constexpr std::uint32_t kPlaceSeed = 0x12345678u;
  static constexpr std::uint32_t kStatusPollMilliseconds = 5000;

  FaultToleranceTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FaultToleranceTest>(); }
  bool LocksDevice() const override { return true; }
  void Prepare(const XmlObject& command) override;
  bool Execute(const XmlObject& command) override;

 private:
  // The steps after the volume exists; false when the test failed or was cancelled. `paused` tells the
  // caller that background activity needs resuming.
  bool Exercise(BmicDevice& controller, LogicalVolume& volume, RaidDisk& victim, bool& paused);
  bool WritePattern(LogicalVolume& volume);
  void Corrupt(RaidDisk& drive);
  // The volume's final status once it no longer recovers, or the wait has timed out or been cancelled.
  std::uint8_t AwaitRecovery(LogicalVolume& volume);
  bool VerifyPattern(LogicalVolume& volume);

  std::uint64_t chunks_ = 0;
  // Set when an attempt of this run found the controller's recovery failed or its data corrupted: a
  // retry would only test the drives the failure left behind and report that instead, so the first
  // verdict (its error) stands.
  bool judged_ = false;
};

}  // namespace rb
