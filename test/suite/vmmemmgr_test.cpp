#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "ravelbank/host.h"

namespace {

// The counters are process-wide, so each test compares against what it found when it started.
struct Counters {
  std::uint64_t blocks = OruGetOutstandingBlocks();
  std::uint64_t bytes = OruGetOutstandingBytes();
};

TEST(Vmmemmgr, CountersFollowAllocAndFree) {
  const Counters start;
  const std::size_t sizes[] = {1, 15, 16, 17, 100, 4096, 1 << 20};
  std::vector<void*> blocks;
  std::uint64_t total = 0;
  for (std::size_t size : sizes) {
    void* block = OruAlloc(size);
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u) << size;
    std::memset(block, 0xa5, size);
    blocks.push_back(block);
    total += size;
    EXPECT_EQ(OruGetOutstandingBlocks(), start.blocks + blocks.size());
    EXPECT_EQ(OruGetOutstandingBytes(), start.bytes + total);
  }
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    OruFree(blocks[i]);
    total -= sizes[i];
    EXPECT_EQ(OruGetOutstandingBlocks(), start.blocks + blocks.size() - i - 1);
    EXPECT_EQ(OruGetOutstandingBytes(), start.bytes + total);
  }
}

TEST(Vmmemmgr, PeakKeepsTheHighestOutstandingBytes) {
  const Counters start;
  // Enough to pass any earlier peak, so the new peak is exactly this test's high-water mark.
  const std::size_t big = static_cast<std::size_t>(OruGetPeakBytes() - start.bytes) + 8192;
  void* first = OruAlloc(big);
  void* second = OruAlloc(100);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  const std::uint64_t highWater = start.bytes + big + 100;
  EXPECT_EQ(OruGetPeakBytes(), highWater);
  OruFree(first);
  EXPECT_EQ(OruGetPeakBytes(), highWater);
  void* third = OruAlloc(50);
  EXPECT_EQ(OruGetPeakBytes(), highWater);
  OruFree(second);
  OruFree(third);
  EXPECT_EQ(OruGetOutstandingBytes(), start.bytes);
  EXPECT_EQ(OruGetPeakBytes(), highWater);
}

TEST(Vmmemmgr, NullZeroAndImpossibleSizes) {
  const Counters start;
  OruFree(nullptr);
  EXPECT_EQ(OruGetOutstandingBlocks(), start.blocks);

  // Zero-byte blocks are real, distinct and counted.
  void* a = OruAlloc(0);
  void* b = OruAlloc(0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(OruGetOutstandingBlocks(), start.blocks + 2);
  EXPECT_EQ(OruGetOutstandingBytes(), start.bytes);
  OruFree(a);
  OruFree(b);

  for (std::size_t size : {SIZE_MAX, SIZE_MAX - 8}) EXPECT_EQ(OruAlloc(size), nullptr) << size;
  EXPECT_EQ(OruGetOutstandingBlocks(), start.blocks);
  EXPECT_EQ(OruGetOutstandingBytes(), start.bytes);
}

TEST(Vmmemmgr, TwoThreadsBalanceToZero) {
  const Counters start;
  auto churn = [](unsigned seed, int* bad) {
    std::vector<unsigned char*> live;
    for (int i = 0; i < 20000; ++i) {
      seed = seed * 1103515245u + 12345u;
      const std::size_t size = (seed >> 16) % 300;
      auto* block = static_cast<unsigned char*>(OruAlloc(size + 1));
      if (block == nullptr) {
        ++*bad;
        continue;
      }
      block[0] = static_cast<unsigned char>(size);
      live.push_back(block);
      if (live.size() > 64 || (seed & 0x100)) {
        unsigned char* victim = live[seed % live.size()];
        if (reinterpret_cast<std::uintptr_t>(victim) % 16 != 0) ++*bad;
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(seed % live.size()));
        OruFree(victim);
      }
    }
    for (unsigned char* block : live) OruFree(block);
  };
  int badA = 0;
  int badB = 0;
  std::thread a(churn, 1u, &badA);
  std::thread b(churn, 2u, &badB);
  a.join();
  b.join();
  EXPECT_EQ(badA, 0);
  EXPECT_EQ(badB, 0);
  EXPECT_EQ(OruGetOutstandingBlocks(), start.blocks);
  EXPECT_EQ(OruGetOutstandingBytes(), start.bytes);
}

#if defined(__SANITIZE_ADDRESS__)
// The header in front of a block lies inside malloc's block: AddressSanitizer reports a write to it only
// because the allocator poisons it.
TEST(VmmemmgrDeathTest, WritesJustOutsideABlockAreReported) {
  EXPECT_DEATH(static_cast<volatile char*>(OruAlloc(8))[-1] = 1, "use-after-poison");
  EXPECT_DEATH(static_cast<volatile char*>(OruAlloc(8))[8] = 1, "heap-buffer-overflow");
}
#endif

}  // namespace
