#include "controllers/arraycontrollerdiscovery.h"

#include "controllers/bmicdevice.h"
#include "controllers/cissdevice.h"
#include "controllers/cissdriver.h"
#include "controllers/logicalvolume.h"
#include "devices/enumeration/discoverycontext.h"
#include "support/debug.h"
#include "support/oruerror.h"

namespace rb {

namespace {

// The controller of a CISS port with everything behind it, described; null when it does not answer.
std::shared_ptr<BmicDevice> IdentifyCissController(DiscoveryContext& context, std::uint16_t port) {
  DebugPrint("CISS controller on port %u\n", port);
  auto made = std::make_unique<CissDevice>("cissController", true, port);
  try {
    made->IdentifyCiss(context.PciSummary());
  } catch (const OruError& error) {
    DebugPrint("CISS controller on port %u: %s %s\n", port, error.Message().c_str(), error.Detail().c_str());
    return nullptr;
  }
  const auto controller = std::dynamic_pointer_cast<CissDevice>(context.Add(std::move(made), false));
  if (controller == nullptr) return nullptr;
  controller->DiscoverChildren(context);
  controller->ListArrays();
  for (CissDevice* external : controller->ExternalControllers()) external->ListArrays();
  context.Describe(*controller);
  for (CissDevice* external : controller->ExternalControllers()) {
    context.Describe(*external);
    for (ScsiDevice* child : external->Children()) context.Describe(*child);
  }
  for (ScsiDevice* child : controller->Children()) context.Describe(*child);
  for (LogicalVolume* volume : controller->LogicalVolumes()) context.Describe(*volume);
  return controller;
}

}  // namespace

std::vector<std::shared_ptr<BmicDevice>> IdentifyArrayControllers(DiscoveryContext& context) {
  ForgetClaimedControllerPorts();
  // The CISS controllers' ports are claimed first, so that the BMIC discovery never takes them.
  std::vector<std::shared_ptr<BmicDevice>> controllers;
  for (const std::uint16_t port : CissDriver::DiscoverPorts()) {
    if (port == kEmptyPortEntry) break;
    if (auto controller = IdentifyCissController(context, port)) controllers.push_back(std::move(controller));
  }
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
