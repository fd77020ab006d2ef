#include "devices/ata/idedevice.h"

#include "devices/ata/atacontroller.h"
#include "devices/ata/atarequests.h"
#include "framework/interface.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

IdeDevice::IdeDevice(std::string name, bool makeUnique, std::string devicePath)
    : Device(std::move(name), makeUnique), devicePath_(std::move(devicePath)) {
  SetCaption("IDE Hard Disk");
  SetDescription("IDE Hard Disk");
}

IdeDevice::IdeDevice() : Device("", false) {}

std::string IdeDevice::TraceLabel() const {
  if (wmi_) return "WMIdev";
  // "\\.\CDROM3" traces as CDROM3.
  const std::size_t slash = devicePath_.find_last_of('\\');
  return slash == std::string::npos ? devicePath_ : devicePath_.substr(slash + 1);
}

void IdeDevice::SetController(std::shared_ptr<AtaController> controller) {
  controller_ = controller.get();
  controllerHold_ = std::move(controller);
}

void IdeDevice::SetAddress(const win::ScsiAddress& address, std::int32_t channel) {
  address_ = address;
  channel_ = channel;
}

const AtaIdentify& IdeDevice::Identify() {
  if (!identifyRead_ && !devicePath_.empty()) {
    identifyRead_ = true;
    ata::ReadIdentify(devicePath_, TraceLabel(), driveNumber_, &identify_);
  }
  return identify_;
}

void IdeDevice::SetIdentify(const AtaIdentify& identify) {
  identify_ = identify;
  identifyRead_ = true;
}

std::string IdeDevice::ModelText() {
  return Identify().Model();
}

std::string IdeDevice::FirmwareText() {
  return Identify().Firmware();
}

std::string IdeDevice::SerialText() {
  return Identify().Serial();
}

std::string IdeDevice::ConnectorText() const {
  // A SATA drive has a port of its own: the position of its port on the controller.
  if (controller_ != nullptr && controller_->ControllerType() == AtaController::Type::kSata)
    return channel_ < 0 ? Translate("Not available") : Translate("Port") + StringPrintf(" %d", channel_);
  // A channel of its own per port (the system's IDE ports), or the path on a port with both channels;
  // the target is the drive's place on its cable.
  const std::int32_t channel = address_.PathId != 0 ? address_.PathId : channel_;
  if (channel < 0 || channel > 1 || address_.TargetId > 1) return Translate("Not available");
  return Translate(channel == 0 ? "Primary" : "Secondary") + " " +
         Translate(address_.TargetId == 0 ? "Master" : "Slave");
}

int IdeDevice::SmartReturnStatus() {
  return ata::SmartReturnStatus(devicePath_);
}

bool IdeDevice::SmartReadData(std::uint8_t* data) {
  return ata::SmartReadData(devicePath_, data);
}

win::DWORD IdeDevice::SmartCommand(std::uint8_t feature, std::uint8_t subCode) {
  return ata::SmartCommand(devicePath_, feature, subCode);
}

bool IdeDevice::SmartWriteLog(std::uint8_t logAddress, const std::uint8_t* sector) {
  return ata::SmartWriteLog(devicePath_, logAddress, sector);
}

void IdeDevice::DescribeIdentity(XmlObject& element) {
  const AtaIdentify& identify = Identify();
  const std::string notAvailable = Translate("Not available");
  const auto shown = [&](const std::string& text) { return text.empty() ? notAvailable : text; };
  element.AddProperty("Model", Translate("Model"), shown(identify.Model()));
  element.AddProperty("Firmware", Translate("Firmware"), shown(identify.Firmware()));
  element.AddProperty("SerialNumber", Translate("Serial Number"), shown(identify.Serial()));
  if (!identify.Present()) return;
  const int multiword = identify.HighestMultiwordDma();
  element.AddProperty("multiwordDma", Translate("Multiword DMA"),
                      multiword < 0 ? Translate("Not Supported")
                                    : Translate(StringPrintf("Multiword DMA mode %d", multiword)) + " " +
                                          Translate("and below are supported"));
  const int ultra = identify.HighestUltraDma();
  element.AddProperty("ultraDma", Translate("Ultra DMA"),
                      ultra < 0 ? Translate("Not Supported")
                                : Translate("Ultra DMA mode") + StringPrintf(" %d ", ultra) +
                                      Translate("and below are supported"));
  element.AddProperty("dmaFeature", Translate("DMA Feature"),
                      Translate(identify.DmaSupported() ? "Enabled" : "Not Supported"));
}

void IdeDevice::LinkToController(const std::string& kind) {
  if (controller_ == nullptr) return;
  AddInterface(
      Interface(controller_->Name(), "Disk Drive Controller", controller_->Caption(), Interface::kParent));
  controller_->AddDrive(Name(), kind);
}

void IdeDevice::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Device::Stream(stream, writing, version);
  stream.Transfer(devicePath_);
  stream.Transfer(driveNumber_);
  stream.TransferLink(controller_);
  stream.Transfer(address_.PortNumber);
  stream.Transfer(address_.PathId);
  stream.Transfer(address_.TargetId);
  stream.Transfer(address_.Lun);
  stream.Transfer(channel_);
  stream.Transfer(wmi_);
  stream.Transfer(identifyRead_);
  stream.TransferBytes(identify_.MutableBytes(), AtaIdentify::kBytes);
}

void IdeDevice::Assign(const Persistent& other) {
  Device::Assign(other);
  const auto* device = dynamic_cast<const IdeDevice*>(&other);
  if (device == nullptr) return;
  devicePath_ = device->devicePath_;
  driveNumber_ = device->driveNumber_;
  controller_ = device->controller_;
  controllerHold_ = device->controllerHold_;
  address_ = device->address_;
  channel_ = device->channel_;
  wmi_ = device->wmi_;
  identifyRead_ = device->identifyRead_;
  identify_ = device->identify_;
}

}  // namespace rb
