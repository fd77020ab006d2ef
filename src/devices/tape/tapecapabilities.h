#pragma once

// The capability list of a tape drive's catalog element: the drive information of GetTapeParameters
// under five headings, each item telling whether the drive has a feature (or the value of a size).

#include "platform/wintape.h"
#include "support/xmlobject.h"

namespace rb {

// <capabilities caption="Capabilities"> with a <capabilityGroup caption="..."> per heading, whose
// properties are its items: "Yes" or "No" for a feature, the number for a size or count.
XmlObject DescribeTapeCapabilities(const win::TapeGetDriveParameters& drive);

}  // namespace rb
