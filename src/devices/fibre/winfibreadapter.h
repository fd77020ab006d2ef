#pragma once

#include <memory>
#include <string>

#include "devices/fibre/fibreadapter.h"

namespace rb {

// The fibre-channel adapter as the system's driver presents it: the information block comes from the
// adapter diagnostics library (qlsdm), from the adapter that the library reports at the same PCI
// location. Without the library, or without that adapter, the block is not valid and discovery goes
// on.
class WinFibreAdapter : public FibreAdapter {
 public:
  static constexpr const char* kStreamableName = "WinFibreAdapter";

  WinFibreAdapter(std::string name, bool makeUnique);
  WinFibreAdapter();

  // An adapter for the PCI inventory entry, named as given; null when the entry has no PCI location.
  static std::unique_ptr<WinFibreAdapter> FromPciEntry(std::string name, const XmlObject& entry,
                                                       const PortAddressCache& ports);

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<WinFibreAdapter>(); }
  // The fibre array controllers behind the ports are not looked for yet: the adapter finds none.
  void ScanTargets(XmlObject& idResult, DiscoveryContext& context) override;

 protected:
  Information ReadInformation() const override;
};

}  // namespace rb
