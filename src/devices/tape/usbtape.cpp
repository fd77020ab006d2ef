#include "devices/tape/usbtape.h"

#include "framework/ptstream.h"
#include "support/catalog.h"

namespace rb {

UsbTape::UsbTape(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path,
                 std::uint8_t target, std::uint8_t lun)
    : ScsiDevice(std::move(name), makeUnique, driver, path, target, lun) {
  SetCaption("USB Tape Drive");
  SetDescription("USB Tape Drive");
  SetElementClass("usbTape");
}

UsbTape::UsbTape() = default;

void UsbTape::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDevice::Stream(stream, writing, version);
  stream.Transfer(tapeNumber_);
  stream.Transfer(deviceFile_);
}

void UsbTape::Assign(const Persistent& other) {
  ScsiDevice::Assign(other);
  if (const auto* tape = dynamic_cast<const UsbTape*>(&other)) {
    tapeNumber_ = tape->tapeNumber_;
    deviceFile_ = tape->deviceFile_;
  }
}

void UsbTape::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    element.AddProperty("Storage", Translate("Storage"), Translate("Tape Drive"));
    DescribeScsiProperties(element, catalogRequest);
    element.AddProperty("deviceFile", Translate("Device File"), deviceFile_);
  }
  OfferTests(element, {"ScsiEjectTapeTest"});
}

}  // namespace rb
