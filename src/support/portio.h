#pragma once

// Access to I/O ports through the port-I/O driver (\\.\qxdvmkd). The driver is opened once per
// process, on first use; a failed open is remembered and the driver counts as absent from then on.
// Callers move one byte at a time.

#include <cstdint>

namespace rb {

// One request to the port-I/O driver. Answers 0 on success, 1 when there is no driver, otherwise the
// system error of the failed request.
std::uint32_t OruDeviceIoControl(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                                 std::uint32_t outLength, std::uint32_t* returned);

// Whether the port-I/O driver is there: opens it on first use, like the requests.
bool PortDriverPresent();

// Writes `width` bytes of `value` to `port`. The real-time-clock ports 70h and 71h are refused with an
// OruError whose message names the port and value, and are never touched. A request the driver fails
// is traced and otherwise ignored. Without the driver, raises OruError "Health Driver IOCTL Failed":
// the fallback through the health driver does not exist in this code base.
void IoportOut(std::uint32_t port, std::uint32_t width, std::uint32_t value);
// Reads `width` bytes from `port`; the same refusals and failures as IoportOut, and a request the
// driver fails reads as 0.
std::uint32_t IoportIn(std::uint32_t port, std::uint32_t width);

// Closes the driver and forgets the once-per-process open, so that the next request opens it again.
// For tests that switch machines: call it while the backend that opened the driver is still installed.
void ResetPortDriverForTesting();

}  // namespace rb
