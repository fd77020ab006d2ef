// The simulated disk's sparse store: what is written reads back, and a block written back as its
// pattern costs nothing again, so that a test that restores every block it saved (a whole-disk
// save-write-read-compare-restore of a terabyte disk) leaves the store as small as it found it.
#include "platform/sim/scsi/simblockstore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(SimBlockStore, RestoredBlocksAreForgottenAndChangedOnesKept) {
  constexpr std::uint32_t kSize = 512;
  // 8 TB of 512-byte blocks, the last ones beyond 2^32.
  const std::uint64_t blocks = 16ull << 30;
  os::SimBlockStore store(blocks, kSize, "");
  for (const std::uint64_t lba : {std::uint64_t{0}, std::uint64_t{5000}, blocks - 2}) {
    std::vector<std::uint8_t> saved(2 * kSize), pattern(2 * kSize, 0xA5), back(2 * kSize);
    store.Read(lba, 2, saved.data());
    store.Write(lba, 2, pattern.data());
    EXPECT_EQ(store.StoredBlocks(), 2u) << lba;
    store.Read(lba, 2, back.data());
    EXPECT_EQ(back, pattern) << lba;
    store.Write(lba, 2, saved.data());
    EXPECT_EQ(store.StoredBlocks(), 0u) << lba;
    store.Read(lba, 2, back.data());
    EXPECT_EQ(back, saved) << lba;
  }
  // A block changed in one byte is kept.
  std::vector<std::uint8_t> block(kSize);
  store.Read(7, 1, block.data());
  block[kSize - 1] ^= 1;
  store.Write(7, 1, block.data());
  EXPECT_EQ(store.StoredBlocks(), 1u);
}

}  // namespace
