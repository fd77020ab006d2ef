#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "component/testcomponent.h"
#include "support/xmlobject.h"

namespace rb {

class PersistentByProxy;

// The storage test component. Its device families (discovery, catalog templates, array controllers for
// the run-begin and run-end notices) join it as they are built; it registers its message catalogs at
// start.
//
// Its persistent form keeps, after the devices and the name: the PCI summary document, the array
// controllers and fibre-channel adapters (links to devices of the set), and the host-enumeration state
// (a fixed-size table, a flag byte, the SCSI port addresses and a list of 32-bit values). State that no
// family fills yet is written empty (the table as zeros), so the file keeps its layout.
class StorageTestComponent : public TestComponent {
 public:
  static constexpr const char* kStreamableName = "StorageTestComponent";
  // The size of the host-enumeration table in the persistent file.
  static constexpr std::size_t kHostTableBytes = 49280;

  // An empty component: the state the class factory reads a saved component into.
  StorageTestComponent();
  // A new component for a host: holds the machine's PCI summary, fetched now.
  static std::unique_ptr<StorageTestComponent> CreateNew();

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies the other component; its controller and adapter links are moved over to the copied devices.
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<StorageTestComponent>(); }

  void Start() override;
  // Runs device discovery (see DiscoveryRun) and answers the idResult document.
  std::string IdentifyDevices() override;
  // The catResult document of the component's catalog templates.
  std::string BuildCatalog() override;
  // Outside the factory, the CISS controllers pause their background tasks for the diagnostics run
  // and take them up again after it.
  void DiagRunBegin(const XmlObject& diagRun) override;
  void DiagRunEnd(const XmlObject& diagRun) override;

  // The machine's PCI summary document (see sysid/pciinventory.h), the inventory that discovery walks:
  // fetched when a new component is created, read back with a saved one.
  const XmlObject& PciSummary() const { return pciSummary_; }
  void SetPciSummary(XmlObject summary) { pciSummary_ = std::move(summary); }
  // The array controllers that take part in the run-begin and run-end notices; devices of the set.
  const std::vector<Device*>& ArrayControllers() const { return arrayControllers_; }
  void AddArrayController(Device* controller) { arrayControllers_.push_back(controller); }
  // The SCSI ports' I/O addresses of the last discovery, each as port number × 2^32 + address.
  const std::vector<std::uint64_t>& ScsiPortAddresses() const { return scsiPortAddresses_; }
  void SetScsiPortAddresses(std::vector<std::uint64_t> addresses) {
    scsiPortAddresses_ = std::move(addresses);
  }
  // The fibre-channel adapters, each an interface of a device of the set.
  const std::vector<PersistentByProxy*>& FibreAdapters() const { return fibreAdapters_; }
  void AddFibreAdapter(PersistentByProxy* adapter) { fibreAdapters_.push_back(adapter); }

 private:
  void NotifyArrayControllers(bool runEnds);

  XmlObject pciSummary_;
  std::vector<Device*> arrayControllers_;
  std::vector<PersistentByProxy*> fibreAdapters_;
  std::vector<std::uint8_t> hostTable_;
  std::uint8_t hostFlag_ = 0;
  std::vector<std::uint64_t> scsiPortAddresses_;
  std::vector<std::uint32_t> scsiPortValues_;
};

}  // namespace rb
