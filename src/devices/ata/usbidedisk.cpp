#include "devices/ata/usbidedisk.h"

namespace rb {

UsbIdeDisk::UsbIdeDisk(std::string name, bool makeUnique, std::string devicePath)
    : IdeDisk(std::move(name), makeUnique, std::move(devicePath)) {
  SetCaption("USB Hard Disk");
  SetDescription("USB Hard Disk");
}

UsbIdeDisk::UsbIdeDisk() = default;

}  // namespace rb
