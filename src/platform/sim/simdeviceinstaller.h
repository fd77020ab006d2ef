#pragma once

#include <vector>

#include "platform/setupdevice.h"
#include "platform/sim/scsi/simosdevice.h"
#include "platform/sim/simmachine.h"

namespace os {

// The device installer of a simulated machine: the class drivers' devices by setup class (disk drives,
// CD-ROM drives, tape drives, floppy disk drives), each with its instance identifier, its drive path as
// the interface's device path (when the interface class asked for is the class's own) and its registry
// properties: hardware identifiers, friendly name, description, enumerator, maker and location.
//   <setupProperty device="PhysicalDrive0" property="12" type="REG_BINARY"/>
// gives a device's property (by its SPDRP code) another registry type, its bytes unchanged, for a
// machine whose installer answers a type the caller does not expect.
class SimDeviceInstaller {
 public:
  // Raises MachineError for a <setupProperty> that names no device or no registry type.
  SimDeviceInstaller(const SimMachine& machine, std::vector<SimOsDevice> drives);

  // A setup class without devices here enumerates as empty, as Windows answers a class it knows no
  // device of.
  SetupResult Enumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                        std::vector<SetupDevice>* devices) const;

 private:
  struct TypeOverride {
    std::string device;
    win::DWORD property;
    win::DWORD type;
  };

  SetupDevice Describe(const SimOsDevice& drive, bool withInterface) const;

  std::vector<SimOsDevice> drives_;
  std::vector<TypeOverride> overrides_;
};

}  // namespace os
