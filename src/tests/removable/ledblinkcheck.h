#pragma once

// The LED blink check of the optical and diskette drives: the operator is told to watch, the drive is
// kept busy a chosen number of times (its activity LED stays on solid while it is) with dark pauses
// between, and the operator says how many times the LED came on.

#include <cstdint>
#include <functional>
#include <string>

namespace rb {

class Test;

struct LedBlinkTexts {
  std::string watch;     // "Press OK and count how many times … LED remains ON solid."
  std::string question;  // "How many times did the … LED blink?"
};

inline constexpr std::uint32_t kMostBlinks = 5;

// A count of 1 to kMostBlinks that the operator cannot guess, from the tick count.
std::uint32_t ChooseBlinks();

// Runs the check with `blinks` periods of `busy` (false when the drive failed); answers whether the
// operator counted them. Cancel fails the run; a failing `busy` raises `busyFailure`.
bool LedBlinkCheck(Test& test, const LedBlinkTexts& texts, std::uint32_t blinks,
                   const std::function<bool()>& busy, const std::string& busyFailure);

}  // namespace rb
