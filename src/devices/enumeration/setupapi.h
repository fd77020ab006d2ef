#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/setupdevice.h"
#include "platform/winapi.h"

namespace rb {

class DiscoveryContext;
class IdeDevice;
class ScsiDevice;

// One enumeration of the device installer: the present devices of a setup class with their interfaces
// of an interface class, and the operations that turn such a device into a device of the component.
class SetupAPI {
 public:
  explicit SetupAPI(DiscoveryContext& context) : context_(context) {}

  // Enumerates the class; answers the count of devices, -1 when an information set cannot be made.
  int Enumerate(const win::Guid& setupClass, const win::Guid& interfaceClass);
  const std::vector<os::SetupDevice>& Devices() const { return devices_; }

  // The text of a registry property of the device when it is REG_SZ or REG_EXPAND_SZ (traced); empty
  // for a property of another type or none.
  static std::string PropertyText(const os::SetupDevice& device, win::DWORD property);

  // A diskette drive: a USB one (its instance identifier names USB mass storage, which the management
  // instrumentation confirms) becomes a USBFloppy, one on the floppy controller an IdeFloppy, each
  // named "Diskette Drive n". Answers whether a device was made.
  bool OnFloppy(const os::SetupDevice& device, int number);
  // An optical drive becomes an IdeCdrom when it is on a port of an ATA controller, else a ScsiCdrom,
  // on its operating-system device, named "Optical Drive n".
  bool OnCDROM(const os::SetupDevice& device, int number);
  // A disk on a port of a legacy IDE or IDE RAID controller, or one the system enumerates as IDE,
  // becomes an IdeDisk ("IDE Hard Disk n") or, when it names itself a zip drive, an IdeZipDrive ("IDE
  // Zip Drive n"); a USB disk that answers ATA identify a UsbIdeDisk. Disks of SATA controllers are
  // left to the SATA disk step, others to the SCSI family.
  bool OnIdeDisk(const os::SetupDevice& device, int number);

  // A tape drive on a port of an ATA controller becomes a ScsiTape on its operating-system device.
  bool OnTape(const os::SetupDevice& device, int number);
  // The USB tape drives the management instrumentation lists (its media access devices of USB mass
  // storage made as tape drives), each a UsbTape on the device the device installer gives it, unless
  // a device was made at its address already.
  void IdentifyUsbTapes();

  // The four passes of discovery, each enumerating its class between its traces. The optical pass
  // also makes an IdeCdrom of each ATA optical drive the management instrumentation lists with a drive
  // letter that the device installer left out.
  void IdentifyDisketteDrives();
  void IdentifyIdeHardDrives();
  void IdentifyTapeDrives();
  void IdentifyOpticalDrives();

 private:
  // The vendor and product parts ("VEN_x", "&PROD_y") of a USB mass-storage instance identifier.
  static std::string IdentifierPart(const std::string& instanceId, const char* key);
  // Adds a drive to the set, linked with its port's controller, and claims its address.
  bool AddOnPort(std::unique_ptr<ScsiDevice> device, const win::ScsiAddress* address, const char* kind);
  // Adds a drive of the ATA family, linked with its controller, and claims its address.
  bool AddAtaDrive(std::unique_ptr<IdeDevice> drive, const win::ScsiAddress* address, const char* kind);
  void RunPass(const char* what, const win::Guid& setupClass, const win::Guid& interfaceClass,
               bool (SetupAPI::*make)(const os::SetupDevice&, int));

  DiscoveryContext& context_;
  std::vector<os::SetupDevice> devices_;
  std::map<std::string, int> ataDriveNumbers_;  // the last number given, per kind of ATA drive
};

}  // namespace rb
