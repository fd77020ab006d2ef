#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/scsiinquirydata.h"
#include "platform/wmirow.h"

namespace rb {

class DiscoveryContext;
class ScsiController;
class ScsiDriver;
class XmlObject;

// The SCSI side of discovery: a controller for each SCSI port of the device map and each PCI SCSI
// controller, the devices of the units each port lists, USB mass storage, and the controllers'
// elements in idResult.
class ScsiIdentify {
 public:
  static constexpr std::uint32_t kMaxPorts = 64;

  explicit ScsiIdentify(DiscoveryContext& context) : context_(context) {}

  // For each port of the registry's device map, IdentifyPort; an error is traced and the next port
  // follows.
  void IdentifyDeviceMapPorts();
  // One port: the PCI function behind it (found through the management instrumentation, else by its
  // I/O address) and the controller for it, made when none exists, which takes the port's driver.
  // Answers the controller; null when it could not be made.
  std::shared_ptr<ScsiController> IdentifyPort(std::uint32_t port);
  // A controller for each PCI SCSI, SAS or NVMe controller that has none yet; SATA and IDE controllers
  // are left to the ATA family.
  void IdentifyAllPci();
  // The port scan: each port that opens lists its units, and each unit becomes a device, unless the
  // port belongs to an array controller.
  void IdentifyAll();
  // USB mass storage the port scan did not reach: the system's USB disks.
  void IdentifyUsb();
  // Adds each controller's element to idResult.
  void DoDeviceCatalog();

  // The units a port lists (IOCTL_SCSI_GET_INQUIRY_DATA, the buffer grown while the answer does not
  // fit); false when the port does not open or refuses the request.
  static bool ReadPortUnits(std::uint32_t port, std::vector<os::ScsiUnitInquiry>* units);
  // Whether the port's controller identifies itself as an array controller, whose family drives it.
  static bool IsArrayControllerPort(ScsiDriver& driver);

 private:
  struct PciLocation {
    std::int32_t bus;
    std::int32_t device;
    std::int32_t function;
    std::string description;
  };
  // IdentifyPort for a port whose units were read already.
  std::shared_ptr<ScsiController> IdentifyPort(std::uint32_t port,
                                               const std::vector<os::ScsiUnitInquiry>& units);
  PciLocation FindPciLocation(std::uint32_t port, const std::vector<os::ScsiUnitInquiry>& units);
  // The PCI summary entry of an operating-system device identifier, or of an I/O port base address.
  const XmlObject* PciEntryOf(const std::string& osDeviceId) const;
  const XmlObject* PciEntryOfIoAddress(std::uint32_t ioAddress) const;
  // The PCI summary entry of the controller of a plug-and-play entity (a disk's, an optical drive's).
  const XmlObject* PciEntryOfEntity(const std::string& entityId) const;
  // The PCI summary entry of a disk's controller, through the disk's entity (and an IDE channel).
  const XmlObject* PciEntryOfDisk(const os::WmiRow& disk) const;
  // Makes the device of one unit and adds it; false when the unit is no device of this family.
  bool AddUnit(std::uint32_t port, const ScsiDriver& driver,
               const std::shared_ptr<ScsiController>& controller, const os::ScsiUnitInquiry& unit,
               bool usbPort);

  DiscoveryContext& context_;
};

}  // namespace rb
