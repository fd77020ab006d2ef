#include "hbaport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace qlsdm {

namespace abi = rb::qlsdmabi;

namespace {

bool KnownLoopType(std::uint8_t loopType) {
  return loopType == abi::kLoopInternal10Bit || loopType == abi::kLoopInternal1Bit ||
         loopType == abi::kLoopExternal;
}

// One pass of the data through the loop.
void Transfer(HbaPort::Loop loop, const std::uint8_t* send, std::uint8_t* receive, std::uint32_t length) {
  std::copy(send, send + length, receive);
  // A failing loop drops a bit in every 64th byte, as a bad transceiver would.
  if (loop == HbaPort::Loop::kFailing)
    for (std::uint32_t i = 0; i < length; i += 64) receive[i] ^= 0x10;
}

}  // namespace

std::uint32_t RunLoopback(const HbaPort& port, std::uint8_t loopType, const std::uint8_t* send,
                          std::uint32_t sendLength, std::uint8_t* receive, std::uint32_t receiveLength,
                          std::uint16_t iterations, abi::SdLoopbackResult* result) {
  if (result == nullptr || send == nullptr || receive == nullptr || sendLength == 0 ||
      receiveLength < sendLength)
    return abi::kStatusInvalidParameter;
  if (!port.diagnostics) return abi::kStatusNotSupported;
  *result = {};
  result->firstMismatch = sendLength;
  const bool refused = std::find(port.refusedLoopTypes.begin(), port.refusedLoopTypes.end(), loopType) !=
                       port.refusedLoopTypes.end();
  if (!KnownLoopType(loopType) || refused || iterations == 0) {
    result->verdict = abi::kVerdictInvalidParameter;
    return abi::kStatusOk;
  }
  if (port.loop == HbaPort::Loop::kDown || port.information.status != abi::kPortGood) {
    result->verdict = abi::kVerdictLoopDown;
    return abi::kStatusOk;
  }
  result->verdict = abi::kVerdictPassed;
  for (std::uint16_t i = 0; i < iterations; ++i) {
    Transfer(port.loop, send, receive, sendLength);
    ++result->iterationsCompleted;
    for (std::uint32_t offset = 0; offset < sendLength; ++offset) {
      if (receive[offset] == send[offset]) continue;
      if (result->mismatchedBytes++ == 0) result->firstMismatch = offset;
    }
    if (result->mismatchedBytes != 0) {
      result->verdict = abi::kVerdictDataMismatch;
      break;
    }
  }
  return abi::kStatusOk;
}

void ParseVersion(const char* text, std::uint16_t (&version)[4]) {
  std::fill(std::begin(version), std::end(version), 0);
  const char* at = text;
  for (std::uint16_t& number : version) {
    while (*at != '\0' && !std::isdigit(static_cast<unsigned char>(*at))) ++at;
    if (*at == '\0') return;
    char* end = nullptr;
    const unsigned long value = std::strtoul(at, &end, 10);
    number = static_cast<std::uint16_t>(std::min<unsigned long>(value, 0xFFFF));
    at = end;
  }
}

}  // namespace qlsdm
