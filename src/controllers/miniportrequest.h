#pragma once

// The framing every array-controller request shares: a 28-byte miniport header (SrbIoControl) whose
// signature and timeout follow from the kind of driver addressed, sent with IOCTL_SCSI_MINIPORT on an
// open port handle, the same buffer going in and coming back.

#include <cstdint>
#include <string>

#include "controllers/arraylayouts.h"
#include "platform/winapi.h"

namespace rb {

static_assert(sizeof(win::SrbIoControl) == arraylayout::kHeaderSize &&
              win::IOCTL_SCSI_MINIPORT == arraylayout::kMiniportIoctl);

// Fills the header of `buffer` (`total` bytes, header included) with the signature and timeout of
// `kind` and sends it on `handle`. True when the driver's return code is 0, false for 4 and above (the
// caller then reads whatever the driver left). A failed driver call and return codes 1 to 3 raise
// "Driver reported problem". Nothing is retried.
bool SendMiniportRequest(win::HANDLE handle, arraylayout::DriverKind kind, win::DWORD controlCode,
                         void* buffer, win::DWORD total);

// Raises "Driver reported problem" whose detail is the translated text, then " : " and `value` when
// one is given.
[[noreturn]] void RaiseDriverProblem(const std::string& text, const std::string& value = {});

}  // namespace rb
