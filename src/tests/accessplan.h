#pragma once

#include <cstdint>
#include <string>

namespace rb {

class cRandomNumber;

// Where the accesses of one pass go. A pass over the range makes N full accesses and a last one that
// moves the remainder R, so that the pass is N + 1 accesses long; the order decides the address of
// each. Kept apart from the test so that the address sequences can be checked on their own.
class AccessPlan {
 public:
  // One access: its first block and its length in blocks.
  struct Step {
    std::uint64_t address = 0;
    std::uint64_t blocks = 0;
  };

  // `order` is "SEQUENTIAL", "RANDOM" or "BUTTERFLY"; `blocks` the blocks per access; `count` the
  // blocks of the pass; `skip` the blocks left out after each sequential access. Raises "Invalid
  // access order" for any other order.
  AccessPlan(std::string order, std::uint64_t start, std::uint64_t end, std::uint64_t count,
             std::uint64_t skip, std::uint64_t blocks);

  std::uint64_t FullAccesses() const { return full_; }
  std::uint64_t Remainder() const { return remainder_; }
  // Access i of 0 … FullAccesses(); RANDOM draws its address from `random`.
  Step At(std::uint64_t i, cRandomNumber& random) const;

 private:
  Step Sequential(std::uint64_t i) const;
  Step Butterfly(std::uint64_t i) const;
  Step Random(cRandomNumber& random) const;
  // Shortens an access that would reach past the end block; one that starts at it still moves a block,
  // so that a range of one block (end = start) is accessed rather than skipped.
  Step UpToEnd(std::uint64_t address) const;

  std::string order_;
  std::uint64_t start_;
  std::uint64_t end_;
  std::uint64_t skip_;
  std::uint64_t blocks_;
  std::uint64_t full_ = 0;
  std::uint64_t remainder_ = 0;
};

}  // namespace rb
