#pragma once

// The simulated machine's clock: milliseconds since the machine was loaded. Sleep advances it instead
// of waiting, so that a test that polls a device for an hour runs in milliseconds; the simulated
// devices read it to follow their own progress (self-tests, becoming ready).

#include <atomic>
#include <cstdint>

namespace os {

class SimClock {
 public:
  std::uint64_t Now() const { return now_.load(); }
  void Advance(std::uint64_t milliseconds) { now_.fetch_add(milliseconds); }

 private:
  std::atomic<std::uint64_t> now_{0};
};

}  // namespace os
