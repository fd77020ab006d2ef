#include "devices/scsi/usbdisk.h"

#include "support/catalog.h"

namespace rb {

USBDisk::USBDisk(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path, std::uint8_t target,
                 std::uint8_t lun)
    : ScsiBlockDevice(std::move(name), makeUnique, driver, path, target, lun) {
  SetCaption("USB Hard Drive");
  SetDescription("USB Hard Drive");
  SetElementClass("usbDisk");
}

USBDisk::USBDisk() = default;

void DescribeUsbStorage(ScsiBlockDevice& device, XmlObject& element, const char* category) {
  element.AddProperty("Storage", Translate("Storage"), Translate(category));
  device.DescribeScsiProperties(element, false);
  const std::string serial = device.SerialNumberText();
  if (!serial.empty()) element.AddProperty("SerialNumber", Translate("Serial Number"), serial);
  // A drive without a medium has no capacity to show.
  element.AddProperty("capacity", Translate("Capacity"),
                      device.IsReady() ? device.CapacityText() : Translate("Media Not Installed"));
}

void USBDisk::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) DescribeUsbStorage(*this, element, "Hard Drive(s)");
  OfferTests(element, {"SeqReadTest", "RandReadTest", "BflyReadTest", "SeqRwrcTest", "RandRwrcTest"});
}

USBFloppy::USBFloppy(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path, std::uint8_t target,
                     std::uint8_t lun)
    : ScsiBlockDevice(std::move(name), makeUnique, driver, path, target, lun) {
  SetCaption("Diskette Drive");
  SetDescription("USB Diskette Drive");
  SetElementClass("usbFloppy");
}

USBFloppy::USBFloppy() = default;

void USBFloppy::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) DescribeUsbStorage(*this, element, "Diskette Drive");
  OfferTests(element, {"SeqReadTest", "RandReadTest", "BflyReadTest", "SeqRwrcTest", "RandRwrcTest"});
}

}  // namespace rb
