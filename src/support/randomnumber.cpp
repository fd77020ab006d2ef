#include "support/randomnumber.h"

#include <ctime>

#include "platform/os.h"

namespace rb {
namespace {

constexpr std::array<std::uint32_t, 55> kInitialState = {
    0x99353733, 0x01303454, 0x0F056788, 0x25CCE7A1, 0x335612BA, 0x29051643, 0x74048753, 0x61760547,
    0x89365876, 0x48967407, 0x112564E9, 0x36D730C6, 0x52B958A2, 0x0A41D10B, 0x13487393, 0x2D9287F9,
    0x14075C95, 0x43A6504A, 0x9982C57B, 0x86FF7455, 0x64584786, 0x54305283, 0x58904647, 0x72945614,
    0x90751493, 0x56149085, 0x7657F689, 0x53765845, 0x66234982, 0x43765934, 0x583F6095, 0x4A975B47,
    0x564C875E, 0x94407E45, 0x64298F54, 0x17569E12, 0x5A4C5645, 0x8A52E480, 0x4648C356, 0x3986B747,
    0x1476235E, 0x45CF5943, 0x07021975, 0x56438571, 0x05647587, 0x14D76B1C, 0x7C8B3644, 0x0454F396,
    0x2B3584A5, 0x983B26C0, 0x45ED7D54, 0x67D536D8, 0x4980A443, 0x6B70F077, 0x4E567568,
};

// The smallest power of two above n, minus one: all ones when no such power fits the type, so that
// the whole range can still be drawn.
template <typename T>
T CoveringMask(T n) {
  T mask = 1;
  while (mask != 0 && mask <= n) mask <<= 1;
  return static_cast<T>(mask - 1);
}

}  // namespace

cRandomNumber::cRandomNumber(std::uint32_t seed) { Seed(seed); }

void cRandomNumber::Seed(std::uint32_t seed) {
  if (seed == kTimeSeed) seed = static_cast<std::uint32_t>(os::Current().LocalTime().tm_sec);
  state_ = kInitialState;
  j_ = 23;
  k_ = 54;
  range_ = mask_ = 0;
  range64_ = mask64_ = 0;
  const std::uint32_t r = seed % 1760;
  seedRemainder_ = r;
  if (r == 0) return;
  if (r >= 32) {
    const std::uint32_t q = r / 32;
    for (std::uint32_t i = 0; i < 55; ++i) state_[(i + q) % 55] = kInitialState[i];
  }
  for (std::uint32_t pass = 0; pass < r % 32; ++pass) {
    // One right shift of the 55 words as a single chain; word 0 takes bit 1 of word 54.
    std::uint32_t carry = (state_[54] >> 1) & 1u;
    for (std::uint32_t& word : state_) {
      const std::uint32_t out = word & 1u;
      word = (word >> 1) | (carry << 31);
      carry = out;
    }
  }
}

std::uint32_t cRandomNumber::Next() {
  const std::uint32_t x = state_[j_] + state_[k_];
  state_[k_] = x;
  j_ = j_ == 0 ? 54 : static_cast<std::uint16_t>(j_ - 1);
  k_ = k_ == 0 ? 54 : static_cast<std::uint16_t>(k_ - 1);
  return x;
}

std::uint64_t cRandomNumber::Next64() {
  const std::uint64_t high = Next();
  return (high << 32) | Next();
}

std::uint32_t cRandomNumber::NextInRange(std::uint32_t n) {
  if (n != range_) {
    range_ = n;
    mask_ = CoveringMask(n);
  }
  if (n == 0) return 0;
  std::uint32_t v;
  do {
    v = Next() & mask_;
  } while (v > n);
  return v;
}

std::uint64_t cRandomNumber::NextInRange64(std::uint64_t n) {
  if (n != range64_) {
    range64_ = n;
    mask64_ = CoveringMask(n);
  }
  if (n == 0) return 0;
  std::uint64_t v;
  do {
    v = Next64() & mask64_;
  } while (v > n);
  return v;
}

}  // namespace rb
