#pragma once

// The data the tape media test writes and reads back: `blockCount` blocks of `blockSize` bytes, each
// made from the seed and its own number, so that a block read back in the wrong place, or changed,
// does not compare. Persistent with its seed and sizes, so that a run after a restart of the host
// writes what an earlier run would have.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/persistent.h"

namespace rb {

class ScsiTapeTestPattern : public Persistent {
 public:
  static constexpr const char* kStreamableName = "ScsiTapeTestPattern";
  static constexpr std::uint32_t kDefaultSeed = 0x5EED7A9E;
  static constexpr std::uint32_t kDefaultBlockSize = 32768;
  static constexpr std::uint32_t kDefaultBlockCount = 8;
  static constexpr std::uint32_t kMaximumBlockSize = 0x40000;
  static constexpr std::uint32_t kMaximumBlockCount = 1024;

  ScsiTapeTestPattern() = default;
  ScsiTapeTestPattern(std::uint32_t seed, std::uint32_t blockSize, std::uint32_t blockCount);

  std::uint32_t Seed() const { return seed_; }
  std::uint32_t BlockSize() const { return blockSize_; }
  std::uint32_t BlockCount() const { return blockCount_; }

  // The contents of block `index`.
  std::vector<std::uint8_t> Block(std::uint32_t index) const;
  // The offset of the first byte of `data` that differs from block `index`, or -1 when the data is
  // exactly the block (a shorter or longer read differs at the end of the shorter one).
  std::int64_t FirstDifference(std::uint32_t index, const std::uint8_t* data, std::size_t length) const;

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiTapeTestPattern>(); }

 private:
  std::uint32_t seed_ = kDefaultSeed;
  std::uint32_t blockSize_ = kDefaultBlockSize;
  std::uint32_t blockCount_ = kDefaultBlockCount;
};

}  // namespace rb
