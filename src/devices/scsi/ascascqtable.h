#pragma once

// The additional sense code texts: the assignments of the T10 list in its order, then the end row
// (00h/00h "UNKNOWN SENSE CODE") that stands for every code the list does not assign. Generated at
// build time from data/asc-ascq.tsv by cmake/genascascq.cmake.

#include <cstddef>
#include <cstdint>
#include <string>

namespace rb {

struct AscAscqEntry {
  std::uint8_t asc;
  std::uint8_t ascq;
  // Set on the rows whose ASCQ is a parameter (shown through the %02Xh in the text).
  std::uint8_t anyAscq;
  const char* text;
};

extern const AscAscqEntry kAscAscqTable[];
// The rows of the list, and the rows in all (the list and the end row).
extern const std::size_t kAscAscqAssignments;
extern const std::size_t kAscAscqTableSize;

// The text of a code: the first row, in table order, whose ASC matches and whose ASCQ matches or is
// a parameter (formatted into the text); the end row's text when none does.
std::string AscAscqText(std::uint8_t asc, std::uint8_t ascq);

}  // namespace rb
