#include "devices/scsi/scsicdrom.h"

#include "framework/ptstream.h"
#include "support/catalog.h"

namespace rb {

ScsiCdrom::ScsiCdrom(std::string name, bool makeUnique, std::string devicePath, std::uint32_t port,
                     std::uint8_t path, std::uint8_t target, std::uint8_t lun, bool usb)
    : OsBlockDevice(std::move(name), makeUnique, std::move(devicePath), port, path, target, lun), usb_(usb) {
  SetCaption("Optical Drive");
  SetDescription("Optical Drive");
  SetElementClass(usb ? "usbCdrom" : "cdrom");
}

ScsiCdrom::ScsiCdrom() = default;

void ScsiCdrom::Stream(ptstream& stream, bool writing, std::int32_t version) {
  OsBlockDevice::Stream(stream, writing, version);
  stream.Transfer(usb_);
}

void ScsiCdrom::Assign(const Persistent& other) {
  OsBlockDevice::Assign(other);
  if (const auto* drive = dynamic_cast<const ScsiCdrom*>(&other)) usb_ = drive->usb_;
}

void ScsiCdrom::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    element.AddProperty("Storage", Translate("Storage"), Translate("Optical Drive"));
    DescribeScsiProperties(element, catalogRequest);
    element.AddProperty("devicePath", Translate("Device Path"), DevicePath());
    // An empty drive has no capacity to show.
    element.AddProperty("capacity", Translate("Capacity"),
                        IsReady() ? CapacityText() : Translate("Media Not Installed"));
  }
  OfferTests(element, {"SeqReadTest", "RandReadTest", "BflyReadTest", "CdUsbNoMediaTest", "CdromUsbTurTest"});
}

}  // namespace rb
