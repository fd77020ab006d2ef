#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tests/accesstest.h"

namespace rb {

// The access test in save-write-read-compare mode at random addresses, run by an array controller on
// the first of its physical disks on a bus (any bus for 255).
class RaidScsiTest : public AccessTest {
 public:
  static constexpr const char* kStreamableName = "RaidScsiTest";
  static constexpr std::uint8_t kAnyBus = 255;

  explicit RaidScsiTest(std::uint8_t bus = kAnyBus);

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<RaidScsiTest>(); }

 protected:
  // The controller's disk on the bus; "Disk Drive Not Found" when it has none there.
  BlockDevice& Block() const override;

 private:
  std::uint8_t bus_;
};

}  // namespace rb
