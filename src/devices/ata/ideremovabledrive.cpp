#include "devices/ata/ideremovabledrive.h"

#include "devices/ata/atacontroller.h"
#include "devices/ata/atarequests.h"
#include "support/catalog.h"

namespace rb {

bool IdeRemovableDrive::Eject() {
  ForgetExtent();
  return ata::EjectMedia(DevicePath());
}

bool IdeRemovableDrive::Load() {
  ForgetExtent();
  return ata::LoadMedia(DevicePath());
}

bool IdeRemovableDrive::Reset() {
  return ata::ResetDevice(DevicePath());
}

bool IdeRemovableDrive::MediumReady() {
  ForgetExtent();
  return ata::CheckVerify(DevicePath());
}

bool IdeRemovableDrive::Writable() {
  return ata::IsWritable(DevicePath());
}

void IdeRemovableDrive::DescribeRemovable(XmlObject& element, const char* storage) {
  element.SetAttribute("description", Description());
  element.AddProperty("Storage", Translate("Storage"), Translate(storage));
  element.AddProperty("capacity", Translate("Capacity"), CapacityText());
  element.AddProperty("devicePath", Translate("Device Path"), DevicePath());
  if (Controller() != nullptr)
    element.AddProperty("controller", Translate("Controller"), Controller()->DisplayName());
}

}  // namespace rb
