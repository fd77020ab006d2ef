#include "devices/tape/scsitapetestpattern.h"

#include <algorithm>
#include <cstring>

#include "framework/ptstream.h"
#include "support/randomnumber.h"

namespace rb {

ScsiTapeTestPattern::ScsiTapeTestPattern(std::uint32_t seed, std::uint32_t blockSize,
                                         std::uint32_t blockCount)
    : seed_(seed), blockSize_(blockSize), blockCount_(blockCount) {}

std::vector<std::uint8_t> ScsiTapeTestPattern::Block(std::uint32_t index) const {
  std::vector<std::uint8_t> block(blockSize_);
  // Each block has a generator of its own, seeded with the pattern's seed and the block's number.
  cRandomNumber random(seed_ ^ (index + 1) * 0x9E3779B9u);
  std::size_t at = 0;
  while (at < block.size()) {
    const std::uint32_t word = random.Next();
    const std::size_t count = std::min<std::size_t>(4, block.size() - at);
    std::memcpy(block.data() + at, &word, count);
    at += count;
  }
  // The number leads the block, so that a block out of place is told at a glance in a dump.
  for (std::size_t i = 0; i < 4 && i < block.size(); ++i)
    block[i] = static_cast<std::uint8_t>(index >> (8 * i));
  return block;
}

std::int64_t ScsiTapeTestPattern::FirstDifference(std::uint32_t index, const std::uint8_t* data,
                                                  std::size_t length) const {
  const std::vector<std::uint8_t> block = Block(index);
  const std::size_t common = std::min(length, block.size());
  const auto mismatch =
      std::mismatch(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(common), data);
  if (mismatch.first != block.begin() + static_cast<std::ptrdiff_t>(common))
    return mismatch.first - block.begin();
  return length == block.size() ? -1 : static_cast<std::int64_t>(common);
}

void ScsiTapeTestPattern::Stream(ptstream& stream, bool writing, std::int32_t) {
  stream.Transfer(seed_);
  stream.Transfer(blockSize_);
  stream.Transfer(blockCount_);
  if (writing) return;
  // Sizes from a file are bounded before the test allocates and writes by them.
  blockSize_ = std::clamp<std::uint32_t>(blockSize_, 1, kMaximumBlockSize);
  blockCount_ = std::clamp<std::uint32_t>(blockCount_, 1, kMaximumBlockCount);
}

void ScsiTapeTestPattern::Assign(const Persistent& other) {
  if (const auto* pattern = dynamic_cast<const ScsiTapeTestPattern*>(&other)) {
    seed_ = pattern->seed_;
    blockSize_ = pattern->blockSize_;
    blockCount_ = pattern->blockCount_;
  }
}

}  // namespace rb
