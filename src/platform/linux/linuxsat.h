#pragma once

// The ATA requests of a Linux drive path: the SCSI command of each (satrequests.h) goes the way the
// drive's own pass-through requests go, through SG_IO.

#include <functional>

#include "platform/passthroughrequest.h"
#include "platform/satrequests.h"

namespace os {

// A transport that wraps each command in a direct pass-through request and hands it to `carry`
// (SendSgIo on the drive's node).
SatTransport LinuxSatTransport(std::function<win::DWORD(PassThroughRequest&, win::DWORD*)> carry);

}  // namespace os
