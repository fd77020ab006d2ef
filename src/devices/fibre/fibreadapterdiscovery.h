#pragma once

namespace rb {

class DiscoveryContext;
class XmlObject;

// The fibre-channel step of discovery: each PCI function 0 or 1 of the inventory whose vendor and
// device IDs are a known adapter model becomes an adapter, fcctrl0, fcctrl1, ... in inventory order,
// named after its vendor and board (the vendor list and the board databases first, the model table
// when they do not know it), captioned with its slot, and listed in idResult with the inventory's
// details of the function as technical properties; then its targets are scanned.
void IdentifyFibreAdapters(XmlObject& idResult, DiscoveryContext& context);

}  // namespace rb
