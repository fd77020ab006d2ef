#include "devices/fibre/fibreadapterdiscovery.h"

#include <memory>

#include "devices/enumeration/discoverycontext.h"
#include "devices/fibre/knownfibreadapters.h"
#include "devices/fibre/winfibreadapter.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"
#include "sysid/pciidentification.h"
#include "sysid/pciinventory.h"

namespace rb {

namespace {

// The adapter's element: its description followed by the inventory entry's details (but its bus),
// marked as technical.
XmlObject DescribeWithDetails(FibreAdapter& adapter, const XmlObject& entry) {
  XmlObject element;
  adapter.Describe(element, false);
  for (const XmlObject& detail : entry.Children()) {
    if (detail.GetAttribute("name") == "bus") continue;
    XmlObject copy = detail;
    copy.SetAttribute("techDetail", "1");
    element.AddChild(std::move(copy));
  }
  return element;
}

}  // namespace

void IdentifyFibreAdapters(XmlObject& idResult, DiscoveryContext& context) {
  int n = 0;
  for (const XmlObject& entry : context.PciSummary().Children()) {
    const auto vendor = static_cast<std::uint16_t>(HexAttribute(entry, "vendorID"));
    const auto device = static_cast<std::uint16_t>(HexAttribute(entry, "deviceID"));
    const auto slot = static_cast<unsigned>(HexAttribute(entry, "slotNumber"));
    const auto subVendor = static_cast<std::uint16_t>(HexAttribute(entry, "subVendorID"));
    const auto subsystem = static_cast<std::uint16_t>(HexAttribute(entry, "subsystemID"));
    const unsigned long function = HexAttribute(entry, "function");
    if (function != 0 && function != 1) continue;
    for (const KnownFibreAdapter& known : KnownFibreAdapters()) {
      if (known.vendorId != vendor || known.deviceId != device) continue;
      std::unique_ptr<WinFibreAdapter> adapter =
          WinFibreAdapter::FromPciEntry(StringPrintf("fcctrl%d", n), entry, context.Ports());
      if (adapter == nullptr) continue;
      adapter->SetVendorName(LookupVendorName(vendor).value_or(known.vendorName));
      adapter->SetCaption(Translate("Fibre Channel Adapter") + ", " + Translate("Slot") +
                          StringPrintf(" %u", slot));
      adapter->SetDescription(
          LookupBoardName(vendor, device, subVendor, subsystem).value_or(known.displayName));
      idResult.AddChild(DescribeWithDetails(*adapter, entry));
      const std::shared_ptr<Device> added = context.Add(std::move(adapter), false);
      if (auto* held = dynamic_cast<FibreAdapter*>(added.get())) held->ScanTargets(idResult, context);
      ++n;
      break;
    }
  }
}

}  // namespace rb
