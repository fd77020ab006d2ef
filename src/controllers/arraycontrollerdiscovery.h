#pragma once

// The array family's step of discovery: the CISS discovery claims the CISS controllers' ports, then
// each port the BMIC discovery returns becomes a BMIC controller with the devices and arrays behind
// it. Each run starts without claims, so that a second discovery in the process finds the same
// controllers.

#include <memory>
#include <vector>

namespace rb {

class BmicDevice;
class DiscoveryContext;

// Adds the controllers and their devices to the set and their elements to idResult; answers the
// controllers. A controller that does not answer its identification is traced and left out.
std::vector<std::shared_ptr<BmicDevice>> IdentifyArrayControllers(DiscoveryContext& context);

}  // namespace rb
