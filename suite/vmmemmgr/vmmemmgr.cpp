// The host allocator. Every block carries a 16-byte header in front of it that records the requested
// size, so that OruFree can keep the byte counters without a lookup table. malloc's alignment (16 on
// the targets we build for) is kept because the header is itself 16 bytes.
//
// Under AddressSanitizer the header is poisoned while its block is handed out: a write just in front of
// a block stays inside malloc's block and would otherwise go unreported.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ravelbank/host.h"

#if defined(__SANITIZE_ADDRESS__)
#define VMMEMMGR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VMMEMMGR_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef VMMEMMGR_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif

namespace {

constexpr std::size_t kHeaderSize = 16;
static_assert(alignof(std::max_align_t) >= kHeaderSize, "malloc must align blocks to 16 bytes");

struct alignas(kHeaderSize) BlockHeader {
  std::uint64_t size;
};
static_assert(sizeof(BlockHeader) == kHeaderSize);

std::atomic<std::uint64_t> outstandingBlocks{0};
std::atomic<std::uint64_t> outstandingBytes{0};
std::atomic<std::uint64_t> peakBytes{0};

void PoisonHeader([[maybe_unused]] BlockHeader* header) {
#ifdef VMMEMMGR_ADDRESS_SANITIZER
  ASAN_POISON_MEMORY_REGION(header, sizeof *header);
#endif
}

void UnpoisonHeader([[maybe_unused]] BlockHeader* header) {
#ifdef VMMEMMGR_ADDRESS_SANITIZER
  ASAN_UNPOISON_MEMORY_REGION(header, sizeof *header);
#endif
}

void RaisePeak(std::uint64_t candidate) {
  std::uint64_t peak = peakBytes.load(std::memory_order_relaxed);
  while (candidate > peak && !peakBytes.compare_exchange_weak(peak, candidate, std::memory_order_relaxed)) {
  }
}

}  // namespace

extern "C" {

void* OruAlloc(size_t size) {
  if (size > SIZE_MAX - kHeaderSize) return nullptr;
  void* raw = std::malloc(kHeaderSize + size);
  if (raw == nullptr) return nullptr;
  auto* header = static_cast<BlockHeader*>(raw);
  header->size = size;
  PoisonHeader(header);
  outstandingBlocks.fetch_add(1, std::memory_order_relaxed);
  RaisePeak(outstandingBytes.fetch_add(size, std::memory_order_relaxed) + size);
  return header + 1;
}

void OruFree(void* ptr) {
  if (ptr == nullptr) return;
  auto* header = static_cast<BlockHeader*>(ptr) - 1;
  UnpoisonHeader(header);
  outstandingBytes.fetch_sub(header->size, std::memory_order_relaxed);
  outstandingBlocks.fetch_sub(1, std::memory_order_relaxed);
  std::free(header);
}

uint64_t OruGetOutstandingBlocks(void) {
  return outstandingBlocks.load(std::memory_order_relaxed);
}
uint64_t OruGetOutstandingBytes(void) {
  return outstandingBytes.load(std::memory_order_relaxed);
}
uint64_t OruGetPeakBytes(void) {
  return peakBytes.load(std::memory_order_relaxed);
}

}  // extern "C"
