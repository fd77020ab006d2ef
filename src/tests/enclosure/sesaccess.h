#pragma once

// The enclosures behind the controller an SES test runs on, and the LED control records it sets.

#include <cstdint>
#include <memory>

#include "controllers/sesdiagapi.h"

namespace rb {

class CissDevice;

// The controller's enclosure access with its enclosures found; raises "Backplane or Controller not
// supported" when the controller manages none.
std::unique_ptr<SESDiagApi> OpenEnclosures(CissDevice& controller);

// The number of elements of `type` in enclosure `index` (from its status records); raises
// "Backplane or Controller not supported" when they cannot be read.
std::size_t ElementCount(SESDiagApi& api, std::size_t index, std::uint8_t type);

// Sets every element of `type` in every enclosure to `control` (its select bit added); raises
// "Failed to set enclosure element" when the enclosure refuses.
void SetAllElements(SESDiagApi& api, std::uint8_t type, SesElementRecord control);

}  // namespace rb
