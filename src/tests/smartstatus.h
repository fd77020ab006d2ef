#pragma once

#include <optional>

#include "support/oruerror.h"

namespace rb {

class IdeDevice;
class ScsiDevice;

// A drive's failure prediction, as the SMART status tests ask it: nothing when the drive is healthy,
// else the error that fails the test.

// ATA: RETURN STATUS with SMART operations enabled for the question, and disabled again when they
// were off before.
std::optional<OruError> AtaSmartStatusError(IdeDevice& drive);

// SCSI: the informational exceptions log page's first parameter; a failure prediction threshold
// exceeded (ASC 5Dh) is a predicted failure, and a page the drive does not return the error of its read.
std::optional<OruError> ScsiSmartStatusError(ScsiDevice& drive);

// Whether a SCSI drive keeps the informational exceptions log page (its supported-pages list names it).
bool ScsiSmartSupported(ScsiDevice& drive);

// The text of a predicted failure.
OruError PredictedFailure();

}  // namespace rb
