#include "controllers/arraycontrollerdiscovery.h"

#include "controllers/bmicdevice.h"
#include "controllers/cissdriver.h"
#include "controllers/logicalvolume.h"
#include "devices/enumeration/discoverycontext.h"
#include "support/debug.h"
#include "support/oruerror.h"

namespace rb {

std::vector<std::shared_ptr<BmicDevice>> IdentifyArrayControllers(DiscoveryContext& context) {
  ForgetClaimedControllerPorts();
  // The CISS controllers' ports are claimed first, so that the BMIC discovery never takes them.
  for (const std::uint16_t port : CissDriver::DiscoverPorts())
    if (port != kEmptyPortEntry) DebugPrint("CISS controller on port %u\n", port);

  std::vector<std::shared_ptr<BmicDevice>> controllers;
  for (const std::uint16_t port : BmicDriver::DiscoverPorts()) {
    if (port == kEmptyPortEntry) break;
    auto made = std::make_unique<BmicDevice>("bmicController", true, port);
    try {
      made->Identify();
    } catch (const OruError& error) {
      DebugPrint("BMIC controller on port %u: %s %s\n", port, error.Message().c_str(),
                 error.Detail().c_str());
      continue;
    }
    const std::shared_ptr<BmicDevice> controller =
        std::dynamic_pointer_cast<BmicDevice>(context.Add(std::move(made), false));
    if (controller == nullptr) continue;
    controller->DiscoverPhysicalDevices(context);
    controller->ListArrays();
    controller->DiscoverLogicalVolumes(context);
    context.Describe(*controller);
    for (ScsiDevice* child : controller->Children()) context.Describe(*child);
    for (LogicalVolume* volume : controller->LogicalVolumes()) context.Describe(*volume);
    controllers.push_back(controller);
  }
  return controllers;
}

}  // namespace rb
