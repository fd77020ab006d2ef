#pragma once

// One fibre-channel port as the library sees it: what its driver reports, and how its firmware answers
// a loopback request.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/fibre/qlsdmabi.h"

namespace qlsdm {

struct HbaPort {
  enum class Loop {
    kGood,     // the data comes back as sent
    kFailing,  // the data comes back changed
    kDown,     // nothing comes back
  };

  rb::qlsdmabi::SdHbaInformation information{};
  // False where the driver offers no diagnostics (the Linux kernel's fibre-channel drivers have no
  // loopback request): every loopback answers kStatusNotSupported.
  bool diagnostics = false;
  Loop loop = Loop::kGood;
  // Loop types the firmware refuses (verdict "invalid parameter").
  std::vector<std::uint8_t> refusedLoopTypes;
};

// Runs a loopback request on the port: checks the arguments (kStatusInvalidParameter), then sends the
// buffer the given number of times, stopping at the first iteration whose data does not come back
// unchanged, and fills the result with the verdict and the counts.
std::uint32_t RunLoopback(const HbaPort& port, std::uint8_t loopType, const std::uint8_t* send,
                          std::uint32_t sendLength, std::uint8_t* receive, std::uint32_t receiveLength,
                          std::uint16_t iterations, rb::qlsdmabi::SdLoopbackResult* result);

// The four numbers of a version text such as "12.8.340.8" or "10.02.08.200-k"; missing ones are 0.
void ParseVersion(const char* text, std::uint16_t (&version)[4]);

// Copies a text into a fixed zero-terminated field, cut to fit.
template <std::size_t N>
void CopyText(char (&field)[N], const std::string& text) {
  const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, length);
  field[length] = '\0';
}

}  // namespace qlsdm
