#include "tests/accessplan.h"

#include <algorithm>

#include "support/oruerror.h"
#include "support/randomnumber.h"

namespace rb {

AccessPlan::AccessPlan(std::string order, std::uint64_t start, std::uint64_t end, std::uint64_t count,
                       std::uint64_t skip, std::uint64_t blocks)
    : order_(std::move(order)),
      start_(start),
      end_(end),
      skip_(skip),
      blocks_(std::max<std::uint64_t>(blocks, 1)) {
  if (order_ != "SEQUENTIAL" && order_ != "RANDOM" && order_ != "BUTTERFLY")
    throw OruError("Invalid access order", ": '" + order_ + "'");
  const std::uint64_t stride = skip_ + blocks_;
  full_ = count / stride;
  remainder_ = std::min(blocks_, count % stride);
}

AccessPlan::Step AccessPlan::At(std::uint64_t i, cRandomNumber& random) const {
  if (order_ == "RANDOM") return Random(random);
  if (order_ == "SEQUENTIAL") return Sequential(i);
  return Butterfly(i);
}

AccessPlan::Step AccessPlan::Sequential(std::uint64_t i) const {
  const std::uint64_t stride = skip_ + blocks_;
  if (i < full_) return {start_ + i * stride, blocks_};
  // The last access moves the remainder, from where the last full access began.
  const std::uint64_t address = full_ > 1 ? start_ + (i - 1) * stride : start_;
  return {address, remainder_ != 0 ? remainder_ : blocks_};
}

AccessPlan::Step AccessPlan::Butterfly(std::uint64_t i) const {
  const std::uint64_t half = i * blocks_ / 2;
  if (i % 2 == 1) {
    // High addresses walk down from the end; a count larger than the range stops at the start block
    // instead of wrapping below it.
    return UpToEnd(half <= end_ - start_ ? end_ - half : start_);
  }
  if (i < full_) return {start_ + half, blocks_};
  const std::uint64_t address = full_ > 1 ? start_ + (i - 1) * blocks_ / 2 : start_;
  return {address, remainder_ != 0 ? remainder_ : blocks_};
}

AccessPlan::Step AccessPlan::Random(cRandomNumber& random) const {
  const std::uint64_t address = end_ > start_ ? start_ + random.Next64() % (end_ - start_) : start_;
  return UpToEnd(address);
}

AccessPlan::Step AccessPlan::UpToEnd(std::uint64_t address) const {
  if (address + blocks_ <= end_) return {address, blocks_};
  return {address, std::max<std::uint64_t>(end_ - address, 1)};
}

}  // namespace rb
