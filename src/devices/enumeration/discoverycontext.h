#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "devices/enumeration/classdriverlist.h"
#include "devices/enumeration/portaddresscache.h"

namespace rb {

class AtaController;
class Device;
class ScsiController;
class TestComponent;
class XmlObject;

// What one discovery run knows while the families find the machine's storage: the component's device
// set and the idResult document that grow, the PCI inventory, the drive numbers given out per kind, the
// SCSI addresses that have a device already, the controllers made for the SCSI ports and the operating
// system's disk and tape names with their addresses.
class DiscoveryContext {
 public:
  enum class DriveKind { kTape, kUsbFloppy, kUsbDisk, kScsiDisk, kSataDisk };

  DiscoveryContext(TestComponent& component, XmlObject& idResult, const XmlObject& pciSummary);
  ~DiscoveryContext();

  TestComponent& Component() { return component_; }
  XmlObject& IdResult() { return idResult_; }
  const XmlObject& PciSummary() const { return pciSummary_; }

  // 1, 2, ... per kind, for this run.
  std::int32_t NextDriveNumber(DriveKind kind);

  // Adds a device to the set and, with `describe`, its element to idResult. Answers the device as the
  // set holds it; null when its name was taken (the device is then destroyed).
  std::shared_ptr<Device> Add(std::unique_ptr<Device> device, bool describe);
  // Adds the device's element to idResult; a failure is traced and leaves the element out.
  void Describe(Device& device);

  // Units that have become devices, by port, path, target and LUN.
  bool IsClaimed(std::uint32_t port, std::uint8_t path, std::uint8_t target, std::uint8_t lun) const;
  void Claim(std::uint32_t port, std::uint8_t path, std::uint8_t target, std::uint8_t lun);

  // The controller of a SCSI port, or of a PCI function; null when none was made.
  std::shared_ptr<ScsiController> ControllerOfPort(std::uint32_t port) const;
  std::shared_ptr<ScsiController> ControllerAt(std::int32_t bus, std::int32_t device,
                                               std::int32_t function) const;
  // Records a controller of the set; `port` is negative for a controller without a port of its own.
  void AddController(std::int64_t port, std::shared_ptr<ScsiController> controller);
  const std::vector<std::shared_ptr<ScsiController>>& Controllers() const { return controllers_; }

  // The SCSI ports whose controller is an ATA controller (their PCI location), which the ATA family
  // drives; and the ATA controllers made.
  void AddAtaPort(std::uint32_t port, std::int32_t bus, std::int32_t device, std::int32_t function);
  bool IsAtaPort(std::uint32_t port) const;
  std::vector<std::uint32_t> AtaPortsAt(std::int32_t bus, std::int32_t device, std::int32_t function) const;
  void AddAtaController(std::shared_ptr<AtaController> controller) {
    ataControllers_.push_back(std::move(controller));
  }
  // The ATA controller one of whose ports `port` is; null when there is none.
  std::shared_ptr<AtaController> AtaControllerOfPort(std::uint32_t port) const;
  const std::vector<std::shared_ptr<AtaController>>& AtaControllers() const { return ataControllers_; }

  // The registry's SCSI ports, read on first use.
  const PortAddressCache& Ports();
  // Read on first use (see ClassDriverList); a list that cannot be read is traced and stays empty.
  const ClassDriverList& ClassDrivers();

 private:
  TestComponent& component_;
  XmlObject& idResult_;
  const XmlObject& pciSummary_;
  std::int32_t driveNumbers_[5] = {};
  std::set<std::tuple<std::uint32_t, std::uint8_t, std::uint8_t, std::uint8_t>> claimed_;
  std::vector<std::shared_ptr<ScsiController>> controllers_;
  std::vector<std::int64_t> controllerPorts_;
  struct AtaPort {
    std::uint32_t port;
    std::int32_t bus;
    std::int32_t device;
    std::int32_t function;
  };
  std::vector<AtaPort> ataPorts_;
  std::vector<std::shared_ptr<AtaController>> ataControllers_;
  std::unique_ptr<ClassDriverList> classDrivers_;
  std::unique_ptr<PortAddressCache> ports_;
};

}  // namespace rb
