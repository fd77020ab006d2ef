#pragma once

#include <array>
#include <cstdint>

namespace rb {

// An additive lagged-Fibonacci generator over a fixed 55-word table. The same seed (modulo 1760)
// always gives the same sequence, which is what makes a test's random access pattern repeatable.
class cRandomNumber {
 public:
  // A seed of 0xFFFFFFFF stands for the seconds field of the current local time.
  static constexpr std::uint32_t kTimeSeed = 0xFFFFFFFFu;

  explicit cRandomNumber(std::uint32_t seed = 0);
  virtual ~cRandomNumber() = default;

  virtual void Seed(std::uint32_t seed);
  virtual std::uint32_t GetSeedRemainder() const { return seedRemainder_; }
  // Uniform in [0, n], both ends included; n = 0 answers 0 without drawing.
  virtual std::uint32_t NextInRange(std::uint32_t n);
  virtual std::uint32_t Next();
  virtual std::uint64_t NextInRange64(std::uint64_t n);
  // The first draw is the high half, the second the low half.
  virtual std::uint64_t Next64();

 private:
  std::uint16_t j_ = 23;
  std::uint16_t k_ = 54;
  std::array<std::uint32_t, 55> state_{};
  std::uint32_t range_ = 0;
  std::uint32_t mask_ = 0;
  std::uint64_t range64_ = 0;
  std::uint64_t mask64_ = 0;
  std::uint32_t seedRemainder_ = 0;
};

}  // namespace rb
